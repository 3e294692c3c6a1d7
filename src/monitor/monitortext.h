// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's texts that the address probe also gives: the tip, the tray
// menu's Connect item and the details window's address line. Kept apart from
// the main window so that the probe, which has no widgets, shares them.
#include <QCoreApplication>
#include <QString>

namespace vantrel {

namespace monitor_text {
inline constexpr char kNoStack[] = QT_TRANSLATE_NOOP("monitor_text", "No TCP/IP Stack available");
inline constexpr char kLooking[] = QT_TRANSLATE_NOOP("monitor_text", "Looking for IP Address...");
inline constexpr char kNetworkDown[] = QT_TRANSLATE_NOOP("monitor_text", "Network is down");
inline constexpr char kConnect[] = QT_TRANSLATE_NOOP("monitor_text", "&Connect");
inline constexpr char kDisconnect[] = QT_TRANSLATE_NOOP("monitor_text", "&Disconnect");
inline constexpr char kDetailsAddressPrefix[] = QT_TRANSLATE_NOOP("monitor_text", "IP Address:      ");
inline constexpr char kLogNotFound[] = QT_TRANSLATE_NOOP("monitor_text", "  Log File not found.  ");
// One of the texts above in the user's language.
inline QString translated(const char *text)
{
    return QCoreApplication::translate("monitor_text", text);
}
} // namespace monitor_text

} // namespace vantrel
