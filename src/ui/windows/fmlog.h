// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The log viewer: the connection log without its two header lines, read-only,
// with the header's creation time as the caption; "&Refresh" reads the file
// again, "&Clear" moves it to the desktop's trash after asking. Modeless; at
// most one exists (the main window keeps it in its fmLog, and LogWindowOpen
// reads that). It deletes itself when it closes.
#include "platform/messageboxes.h"

#include <QCoreApplication>
#include <QString>
#include <QWidget>

class QFrame;
class QKeyEvent;
class QPushButton;

namespace vantrel {

struct AppState;
class TLogLines;
class CloseGuard;

namespace log_text {
inline constexpr char kConfirmTitle[] = QT_TRANSLATE_NOOP("log_text", "Vantrel Confirm Request");
inline constexpr char kConfirm[] = QT_TRANSLATE_NOOP("log_text", "   Are you sure?   ");
inline constexpr char kDeleted[] = QT_TRANSLATE_NOOP("log_text", "Log file deleted.");
inline constexpr char kClearFailed[] = QT_TRANSLATE_NOOP("log_text", "Clear Failed.");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("log_text", text);
}
} // namespace log_text

// The most of the log the viewer reads, in MiB: about 1.2 million events (a
// connection an hour for more than a century). The viewer holds no text of it
// (see LogView), so the limit bounds the time to open, not the memory. A
// larger log is shown as far as the limit goes, up to its last whole line, and
// a box says so.
constexpr int kLogViewerLimitMiB = 64;
// The most lines the viewer shows. The list view keeps some 12 bytes a line,
// so 64 MiB of empty lines would cost it 800 MiB; 2,000,000 is more than the
// size limit holds of real events (44 bytes at least), so it cuts only a
// log of lines that no writer made.
constexpr int kLogViewerLineLimit = 2000000;

class TfmLog : public QWidget {
    Q_OBJECT
public:
    // Loads the log; throws VantrelError when it cannot be read.
    TfmLog(AppState &state, MessageBoxes &boxes, QWidget *parent = nullptr);
    ~TfmLog() override;

    // Shows the log file: header lines hidden, the first one's text as caption.
    // When the file cannot be read the text area stays empty, the caption keeps
    // its text, and VantrelError("Cannot open file <path>", with the reason
    // unless the file is simply gone) goes to the general error report. Only a
    // regular file is read (a FIFO or device in its place would block or never
    // end), and of it at most the size limit.
    void LoadLogIntoViewer();

    // Lower the limits (kLogViewerLimitMiB, kLogViewerLineLimit) for a test.
    void setSizeLimitMiB(int mib) { m_limitMiB = mib; }
    void setLineLimit(int lines) { m_lineLimit = lines; }

    void btRefreshClick();
    void btClearClick();
    void btCloseClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls, named as their object names.
    TLogLines *LogMemo = nullptr;
    QFrame *Panel1 = nullptr;
    QPushButton *btRefresh = nullptr;
    QPushButton *btClear = nullptr;
    QPushButton *btClose = nullptr;

    QString logPath() const;
    // Scrolls the log for a reading key pressed on a button; false for others.
    bool scrollLog(const QKeyEvent &key);
    static void ClearLog(MessageBoxes &boxes, const QString &path);

    AppState &m_state;
    MessageBoxes &m_boxes;
    CloseGuard *m_closeGuard;
    int m_limitMiB = kLogViewerLimitMiB;
    int m_lineLimit = kLogViewerLineLimit;
    bool m_clearing = false;
};

} // namespace vantrel
