// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/filedialogs.h"

#include "ui/platform/modal.h"
#include "ui/platform/topmost.h"

#include <QFileDialog>

#include <memory>

namespace vantrel {

void QtFileDialogs::openFile(QWidget *parent, const OpenRequest &request, std::function<void(const QString &path)> chosen)
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
