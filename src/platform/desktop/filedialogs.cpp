// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/filedialogs.h"

#include "platform/modal.h"
#include "platform/topmost.h"

#include <QFileDialog>

#include <memory>

namespace vantrel {

void QtFileDialogs::openFile(QWidget *parent, const OpenRequest &request,
                             std::function<void(const QString &path)> chosen)
{
    auto aside = std::make_shared<TopMostSetAside>(request.setAsideTopMost);
    auto *dialog = new QFileDialog(parent, request.title, request.folder, request.filter);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(request.defaultSuffix);
    OpenModal(dialog, parent, [dialog, aside, chosen = std::move(chosen)](int result) {
        aside->restore();
        if (result == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
            chosen(dialog->selectedFiles().constFirst());
    });
}

} // namespace vantrel
