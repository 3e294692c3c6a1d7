#pragma once
// The log viewer: the connection log without its two header lines, read-only,
// with the header's creation time as the caption; "&Refresh" reads the file
// again, "&Clear" moves it to the desktop's trash after asking. Modeless; at
// most one exists (the tray menu keeps it in fmVantrel.fmLog and checks
// LogWindowOpen). It deletes itself when it closes.
#include <QString>
#include <QWidget>

class QFrame;
class QPushButton;

namespace vantrel {

struct AppState;
class TLogLines;
class MessageBoxes;

namespace log_text {
inline const QString kConfirmTitle = QStringLiteral("Vantrel Confirm Request");
inline const QString kConfirm = QStringLiteral("   Are you sure?   ");
inline const QString kDeleted = QStringLiteral("Log file deleted.");
inline const QString kClearFailed = QStringLiteral("Clear Failed.");
} // namespace log_text

class TfmLog : public QWidget {
    Q_OBJECT
public:
    // Loads the log; throws VantrelError when it cannot be read.
    TfmLog(AppState &state, MessageBoxes &boxes, QWidget *parent = nullptr);
    ~TfmLog() override;

    // Shows the log file: header lines hidden, the first one's text as caption.
    // When the file cannot be read the text area stays empty, the caption keeps
    // its text, and VantrelError("Cannot open file <path>") goes to the general
    // error report.
    void LoadLogIntoViewer();

    void btRefreshClick();
    void btClearClick();
    void btCloseClick();

    TLogLines *LogMemo = nullptr;
    QFrame *Panel1 = nullptr;
    QPushButton *btRefresh = nullptr;
    QPushButton *btClear = nullptr;
    QPushButton *btClose = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString logPath() const;

    AppState &m_state;
    MessageBoxes &m_boxes;
};

// The viewer's view of a log file's bytes: the caption taken from the first
// line (its first six characters, the header mark, removed) and the text after
// the two header lines. UTF-8, as the log is written; a file that is not valid
// UTF-8 is an older log written in Latin-1 and is read as such.
struct LogView {
    QString caption;
    QString text;
};
LogView ReadLogView(const QByteArray &bytes);

} // namespace vantrel
