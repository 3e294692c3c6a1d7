// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/filedialogs.h"

#include "platform/modal.h"
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
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace vantrel
