// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/rasbackend.h"

#include "platform/ras/nm/nmservice.h"

namespace vantrel {

std::unique_ptr<RasService> ChooseRasService(const SimLine::Options &lineOptions)
{
    const QString raw = qEnvironmentVariable("VANTREL_RAS_BACKEND");
    const QString choice = raw.trimmed().toLower();
    if (choice == QLatin1String("nm"))
        return std::make_unique<NmService>();
    if (choice == QLatin1String("simline"))
        return std::make_unique<SimLine>(lineOptions);
    if (!choice.isEmpty() && lineOptions.report)
        lineOptions.report(QStringLiteral("VANTREL_RAS_BACKEND is \"%1\", which is neither \"nm\" nor "
                                          "\"simline\"; the backend is chosen as if it were not set.")
                               .arg(raw));
    if (NmService::Answers())
        return std::make_unique<NmService>();
    return std::make_unique<SimLine>(lineOptions);
}

} // namespace vantrel
