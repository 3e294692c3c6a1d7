#include "platform/messageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace vantrel {

namespace {

QMessageBox::Icon toQt(MessageBoxes::Icon icon)
{
    switch (icon) {
    case MessageBoxes::Icon::Information: return QMessageBox::Information;
    case MessageBoxes::Icon::Warning: return QMessageBox::Warning;
    case MessageBoxes::Icon::Error: return QMessageBox::Critical;
    case MessageBoxes::Icon::Question: return QMessageBox::Question;
    case MessageBoxes::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Lowers the visible stay-on-top windows for as long as it lives.
class TopMostSetAside {
public:
    explicit TopMostSetAside(bool active)
    {
        if (!active)
            return;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && (w->windowFlags() & Qt::WindowStaysOnTopHint)) {
                m_lowered.append(w);
                setOnTop(w, false);
            }
        }
    }
    ~TopMostSetAside()
    {
        for (const QPointer<QWidget> &w : m_lowered)
            if (w)
                setOnTop(w, true);
    }

private:
    static void setOnTop(QWidget *w, bool onTop)
    {
        // Changing window flags hides the window; show it again where it was.
        const QRect geometry = w->geometry();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        w->setGeometry(geometry);
        w->show();
    }
    QList<QPointer<QWidget>> m_lowered;
};

} // namespace

MessageBoxes::Answer QtMessageBoxes::show(const QString &title, const QString &text, Icon icon,
                                          Buttons buttons, bool setAsideTopMost)
{
    TopMostSetAside aside(setAsideTopMost);
    QMessageBox box(toQt(icon), title, text,
                    buttons == Buttons::YesNo ? (QMessageBox::Yes | QMessageBox::No)
                                              : QMessageBox::Ok);
    const int result = box.exec();
    if (buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

MessageBoxes::Answer RecordingMessageBoxes::show(const QString &title, const QString &text,
                                                 Icon icon, Buttons buttons, bool setAsideTopMost)
{
    shown.append({title, text, icon, buttons, setAsideTopMost});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

} // namespace vantrel
