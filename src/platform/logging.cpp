// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/logging.h"

namespace vantrel {

Q_LOGGING_CATEGORY(lcMonitor, "vantrel.monitor", QtWarningMsg)
Q_LOGGING_CATEGORY(lcDialer, "vantrel.dialer", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNm, "vantrel.nm", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "vantrel.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBus, "vantrel.bus", QtWarningMsg)
Q_LOGGING_CATEGORY(lcFiles, "vantrel.files", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPublic, "vantrel.public", QtWarningMsg)

} // namespace vantrel
