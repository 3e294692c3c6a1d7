// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarm settings window. Every control writes its setting into AppSettings
// at once, so the alarm sees a change while the window is still open; OK stores
// the seven alarm values and closes the window. There is no cancel.
//
// The caller creates it, shows it modally (exec) and deletes it afterwards.
#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vantrel {

struct AppState;
struct Platform;
class OnlineAlarm;
class FileDialogs;

class TfmAlarm : public QDialog {
    Q_OBJECT
public:
    TfmAlarm(AppState &state, Platform &platform, OnlineAlarm &alarm, QWidget *parent = nullptr);
    ~TfmAlarm() override;

    // The dialog that "..." opens; by default the real one. Not owned.
    void setFileDialogs(FileDialogs *dialogs);

    // Handlers, named after their controls.
    void cbEnableClick();
    void edSetChange();
    void edSecondsChange();
    void cbSystemBeepClick();
    void cbPlayClick();
    // Takes the wave file named in the field, or says it is not found. Returns
    // whether the file was taken.
    bool edFileWaveExit();
    void btWavDialogClick();
    void cbBoxClick();
    void edBoxDialogChange();
    void btOKClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Controls, named as their object names.
    QCheckBox *cbEnable = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Label2 = nullptr;
    QComboBox *edSet = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *edSeconds = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QCheckBox *cbSystemBeep = nullptr;
    QCheckBox *cbPlay = nullptr;
    QCheckBox *cbBox = nullptr;
    QLineEdit *edFileWave = nullptr;
    QToolButton *btWavDialog = nullptr;
    QLineEdit *edBoxDialog = nullptr;
    QPushButton *btOK = nullptr;

    void buildControls();
    void FormCreate();
    void applyEnablingRules();
    void storeSettings();
    bool acceptMinutesKey(const QKeyEvent *key) const;

    AppState &m_state;
    Platform &m_platform;
    OnlineAlarm &m_alarm;
    std::unique_ptr<FileDialogs> m_ownFileDialogs;
    FileDialogs *m_fileDialogs = nullptr;
    bool m_waveCheckPending = false; // the wave field lost the focus; its check is queued
};

} // namespace vantrel
