// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/modal.h"

#include <QDialog>

namespace vantrel {

int ExecModal(QDialog &dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec();
}

} // namespace vantrel
