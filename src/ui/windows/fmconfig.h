// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The configuration window: connection mode (dial-up or LAN), animated icon,
// double-click action, log on or off, run at start-up; it also opens the
// connection entries and alarm settings windows. The check boxes and the action
// group change AppSettings at once; the mode, the "Configured as:" line and the
// menu's default item are applied, and everything is stored, when it closes.
// There is no cancel.
//
// Made by the details window and opened with OpenModal, which deletes it
// once closed.
#include <QCoreApplication>
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;

namespace config_text {
inline constexpr char kConfiguredDialup[] = QT_TRANSLATE_NOOP("config_text", "Configured as:  Dialup connection");
inline constexpr char kConfiguredLan[] = QT_TRANSLATE_NOOP("config_text", "Configured as:  LAN connection");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("config_text", text);
}
} // namespace config_text

class TfmConfig : public QDialog {
    Q_OBJECT
public:
    // `configLine` is the details window's "Configured as:" label (may be null);
    // `programPath` is what the Run entry starts.
    TfmConfig(AppState &state, Platform &platform, TfmVantrel &main, QLabel *configLine, QString programPath,
              QWidget *parent = nullptr);
    ~TfmConfig() override;

    // Handlers, named after their controls.
    void cxDialupClick();
    void cxLANClick();
    void cxAnimClick();
    void rgActionClick(int index);
    void cbLogClick();
    void cbRunClick();
    void btAdvancedClick();
    void btAlarmClick();
    void btCloseClick();

    // The action group's items as shown, and the index selected (-1: none).
    int actionCount() const;
    int actionIndex() const;
    QRadioButton *actionItem(int index) const { return m_actionItems.value(index); }

public slots:
    // Every way the window closes (OK, the window manager's close) runs the
    // closing sequence once.
    void done(int result) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Controls, named as their object names.
    QPushButton *btClose = nullptr;
    QFrame *Panel1 = nullptr;
    QCheckBox *cxDialup = nullptr;
    QCheckBox *cxLAN = nullptr;
    QLabel *Memo1 = nullptr;
    QLabel *Memo2 = nullptr;
    QGroupBox *rgAction = nullptr;
    QCheckBox *cxAnim = nullptr;
    QCheckBox *cbLog = nullptr;
    QPushButton *btAdvanced = nullptr;
    QPushButton *btAlarm = nullptr;
    QCheckBox *cbRun = nullptr;

    void buildControls();
    void FormCreate();
    void addAction(const QString &caption);
    void removeThirdAction();
    void selectAction(int index);
    void closingSequence();

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_main;
    QPointer<QLabel> m_configLine;
    QString m_programPath;
    QButtonGroup *m_actions = nullptr;
    QVBoxLayout *m_actionLayout = nullptr;
    QList<QRadioButton *> m_actionItems;
    bool m_closed = false;
};

} // namespace vantrel
