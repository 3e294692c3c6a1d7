// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/rasbackend.h"

#include "platform/logging.h"
#include "platform/ras/nm/nmservice.h"

#include <QCoreApplication>

namespace vantrel {

std::unique_ptr<RasService> ChooseRasService(const SimLine::Options &lineOptions)
{
    const QString raw = qEnvironmentVariable("VANTREL_RAS_BACKEND");
    const QString choice = raw.trimmed().toLower();
    if (choice == QLatin1String("nm")) {
        qCDebug(lcDialer) << "Remote access through NetworkManager: VANTREL_RAS_BACKEND is" << raw;
        return std::make_unique<NmService>();
    }
    if (choice == QLatin1String("simline")) {
        qCDebug(lcDialer) << "Remote access through the simulated line: VANTREL_RAS_BACKEND is" << raw;
        return std::make_unique<SimLine>(lineOptions);
    }
    if (!choice.isEmpty() && lineOptions.report)
        lineOptions.report(QCoreApplication::translate("RasBackend",
                                                       "VANTREL_RAS_BACKEND is \"%1\", which is neither \"nm\" nor "
                                                       "\"simline\"; the backend is chosen as if it were not set.")
                               .arg(raw));
    // NetworkManager when it owns its name on the system bus. The backend's
    // own thread asks, as it makes every D-Bus call; its constructor waits for
    // that thread's first answers (3 s at most), so this thread makes none.
    auto networkManager = std::make_unique<NmService>();
    if (networkManager->serviceUp()) {
        qCDebug(lcDialer) << "Remote access through NetworkManager: it is on the system bus";
        return networkManager;
    }
    qCDebug(lcDialer) << "Remote access through the simulated line: NetworkManager is not on the system bus";
    return std::make_unique<SimLine>(lineOptions);
}

} // namespace vantrel
