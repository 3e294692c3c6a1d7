// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errorreport.h"

#include "platform/messageboxes.h"

namespace vantrel {

void ReportError(MessageBoxes &boxes, const QString &text)
{
    QString shown = text;
    if (!shown.endsWith(QLatin1Char('.')))
        shown += QLatin1Char('.');
    boxes.show(QStringLiteral("Vantrel"), shown, MessageBoxes::Icon::Error);
}

} // namespace vantrel
