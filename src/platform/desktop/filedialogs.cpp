#include "platform/desktop/filedialogs.h"

#include "platform/topmost.h"

#include <QFileDialog>

namespace vantrel {

QString QtFileDialogs::getOpenFileName(QWidget *parent, const OpenRequest &request)
{
    TopMostSetAside aside(request.setAsideTopMost);
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
