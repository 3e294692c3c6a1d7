// SPDX-License-Identifier: GPL-3.0-or-later
// CopyOnWayland, loading the vantrel-wayland module at the first copy.
#include "ui/platform/desktop/modules.h"
#include "ui/platform/desktop/waylandclipboard.h"

#include <QCoreApplication>
#include <QTimer>

namespace vantrel {

void CopyOnWayland(const QString &text, QObject *context, std::function<void(const QString &reason)> failed,
                   std::chrono::milliseconds focusWait)
{
    static CopyOnWaylandEntry copy = nullptr;
    QString why;
    if (!copy)
        copy = reinterpret_cast<CopyOnWaylandEntry>(
            ResolveModuleSymbol("vantrel-wayland", "vantrel_copy_on_wayland", ModuleFolders(), &why));
    if (copy) {
        copy(text, context, std::move(failed), focusWait);
        return;
    }
    // Reported from the event loop, as every other failure of the copy.
    QTimer::singleShot(0, context, [failed = std::move(failed), why] {
        failed(QCoreApplication::translate("WaylandClipboard", "its module vantrel-wayland was not found (%1)").arg(why));
    });
}

} // namespace vantrel
