// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/modal.h"

#include <QDialog>
#include <QPointer>

namespace vantrel {

void OpenModal(QDialog *dialog, QObject *context, std::function<void(int)> closed)
{
    const bool guarded = context != nullptr;
    const QPointer<QObject> guard(context);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, guarded, guard, closed = std::move(closed)](int result) {
        dialog->deleteLater();
        if (closed && (!guarded || guard))
            closed(result);
    });
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
}

} // namespace vantrel
