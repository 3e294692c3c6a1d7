// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The splash window fmLogo: shown modally for three seconds at start-up with the
// hourglass pointer, then closed by its own timer.
#include <QDialog>

class QFrame;
class QLabel;

namespace vantrel {

class VTimer;

class TfmLogo : public QDialog {
    Q_OBJECT
public:
    explicit TfmLogo(QWidget *parent = nullptr);
    ~TfmLogo() override;

    void FormCreate();
    void FormShow();
    void tmLogoTimer();

    // Whether this window has the screen-wide hourglass up.
    bool hourglassShown() const { return m_hourglass; }

    // The splash stays its full time: Escape and the window manager's close
    // do not end it; only its timer does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Controls and the timer, named as their object names.
    QFrame *pnLogo = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *Image1 = nullptr;
    VTimer *tmLogo = nullptr;

    void restoreCursor();
    bool m_timeUp = false;
    bool m_hourglass = false;
};

} // namespace vantrel
