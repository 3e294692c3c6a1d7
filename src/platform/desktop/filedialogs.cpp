#include "platform/desktop/filedialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

namespace vantrel {

namespace {

// Makes the visible stay-on-top windows ordinary while the dialog is up, so that
// they cannot cover it, and puts them back on top afterwards.
class TopMostAside {
public:
    explicit TopMostAside(bool active)
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
    ~TopMostAside()
    {
        for (const QPointer<QWidget> &w : m_lowered)
            if (w)
                setOnTop(w, true);
    }
    TopMostAside(const TopMostAside &) = delete;
    TopMostAside &operator=(const TopMostAside &) = delete;

private:
    static void setOnTop(QWidget *w, bool onTop)
    {
        // Changing a window flag hides the window; show it again where it was.
        const QRect geometry = w->geometry();
        w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        w->setGeometry(geometry);
        w->show();
    }
    QList<QPointer<QWidget>> m_lowered;
};

} // namespace

QString QtFileDialogs::getOpenFileName(QWidget *parent, const OpenRequest &request)
{
    TopMostAside aside(request.setAsideTopMost);
    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace vantrel
