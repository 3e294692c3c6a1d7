// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The details window: what the sockets layer reported when the program started
// it, whether the program watches a dial-up or a LAN connection, and the current
// address, which the poll keeps up to date while the window is open. "C&onfigure"
// opens the configuration window over it.
//
// Made by the tray menu's "&Open details..." (or the double click) and
// opened with OpenModal, which deletes it once closed.
#include <QCoreApplication>
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;

namespace details_text {
inline constexpr char kNotAvailable[] = QT_TRANSLATE_NOOP("details_text", "N/A");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("details_text", text);
}
} // namespace details_text

class TVantrelWSInfo : public QDialog {
    Q_OBJECT
public:
    // `programPath` is handed on to the configuration window for the Run entry.
    TVantrelWSInfo(AppState &state, Platform &platform, TfmVantrel &main, QString programPath, QWidget *parent = nullptr);
    ~TVantrelWSInfo() override; // FormDestroy: clears DetailsOpen

    void FormShow();
    void btConfigClick();
    void btCloseClick();

protected:
    void showEvent(QShowEvent *event) override;
    // There is no cancel button: Escape does nothing. A close from the window
    // manager still ends the window, through QDialog's reject().
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Controls, named as their object names.
    QFrame *Panel1 = nullptr;
    QLabel *Ver = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Status = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *MaxSock = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Config = nullptr;
    QLabel *IP = nullptr;
    QPushButton *btConfig = nullptr;
    QPushButton *btClose = nullptr;

    void buildControls();

    AppState &m_state;
    Platform &m_platform;
    TfmVantrel &m_main;
    QString m_programPath;
};

} // namespace vantrel
