// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dial progress window fmConnect: created hidden at start-up and kept until
// the program ends. The dial run (dialer.h) shows it, writes each status line
// into it (Memo1) and hides it again, and answers its two buttons.
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

// Where the progress window's outer frame goes: the top right corner of the
// screen's free area (`available`: the screen less its panels), so that a panel
// is never covered. When that place would cover the tray icon (`icon`, empty
// when the tray host does not tell where it is) the window moves clear of it:
// below or above an icon near the top or bottom edge of `screen`, beside one
// near the left or right edge. An empty `available` counts as the whole screen.
QPoint ProgressWindowPlace(const QRect &screen, const QRect &available, const QRect &icon, const QSize &window);

class TfmConnect : public QDialog {
    Q_OBJECT
public:
    explicit TfmConnect(QWidget *parent = nullptr);
    ~TfmConnect() override;

    // Shows `status` in the status line and draws it at once; the same status
    // again changes nothing.
    void setStatus(const QString &status);
    void setButtonsEnabled(bool abort, bool skip);

signals:
    // btAbort or btSkip was pressed.
    void abortClicked();
    void skipClicked();

protected:
    // The memo as tall as its status needs, two lines at least.
    void fitStatus();
    // Opens at the top right corner of the primary screen's free area, clear
    // of the tray icon, with an empty line, wherever the user moved it before.
    void showEvent(QShowEvent *event) override;

private:
    // Controls, named as their object names.
    QLabel *Image1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *btAbort = nullptr;
    QPushButton *btSkip = nullptr;
};

} // namespace vantrel
