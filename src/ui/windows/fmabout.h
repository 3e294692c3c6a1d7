// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about window: name, version, a notice line and the disclaimer, with one
// OK button. While the pointer moves over the notice line the picture hint
// floats above and to the right of it; a move over the icon, the name, the
// version, the disclaimer or the window's background hides it.
//
// Made by the tray menu's "&About..." and opened with OpenModal, which
// deletes it once closed.
#include <QCoreApplication>
#include <QDialog>
#include <QPointer>
#include <QString>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vantrel {

class TfmHintIP;

namespace about_text {
inline constexpr char kVersion[] = QT_TRANSLATE_NOOP("about_text", "Version 4.12");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("about_text", text);
}
} // namespace about_text

class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget *parent = nullptr);
    ~TfmAbout() override;

    void FormMouseMove();
    // The pointer at `position` inside the notice line: the hint follows it.
    void Label13MouseMove(QPoint position);
    void BitBtn1Click();

public slots:
    void done(int result) override; // FormClose: the hint goes with the window

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    // There is no cancel button: Escape does nothing. A close from the window
    // manager still ends the window, through QDialog's reject().
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls and the hint, named as their object names.
    QLabel *Image3 = nullptr;
    QLabel *Label11 = nullptr;
    QLabel *Label12 = nullptr;
    QLabel *Label13 = nullptr;
    QPlainTextEdit *Memo = nullptr;
    QFrame *Bevel2 = nullptr;
    QPushButton *btClose = nullptr;
    QPointer<TfmHintIP> fmHintIP;

    void buildControls();
};

} // namespace vantrel
