// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/errorreport.h"

#include "platform/messageboxes.h"

namespace vantrel {

void ReportError(MessageBoxes &boxes, const QString &text, std::function<void()> closed)
{
    QString shown = text;
    if (!shown.endsWith(QLatin1Char('.')))
        shown += QLatin1Char('.');
    boxes.open({QStringLiteral("Vantrel"), shown, MessageBoxes::Icon::Error}, nullptr,
               [closed = std::move(closed)](MessageBoxes::Answer) {
                   if (closed)
                       closed();
               });
}

} // namespace vantrel
