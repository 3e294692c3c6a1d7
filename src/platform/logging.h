// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's logging categories, one per subsystem. Each is quiet below
// warnings unless QT_LOGGING_RULES turns it on (e.g. "vantrel.*.debug=true").
//
// Debug lines tell the decisions and the changes (which backend, which tray
// host, which file, connected, address changed); warnings tell failures that
// may otherwise go untold. A poll tick that finds things as they were logs
// nothing, and no password ever reaches a log line. A name from outside (an
// entry, a host, a file name) is streamed as a QString in the quoting form,
// which escapes control characters.
#include <QLoggingCategory>

namespace vantrel {

Q_DECLARE_LOGGING_CATEGORY(lcMonitor) // vantrel.monitor: the poll, LAN-mode address choice
Q_DECLARE_LOGGING_CATEGORY(lcDialer)  // vantrel.dialer: the remote access backend, the dial run
Q_DECLARE_LOGGING_CATEGORY(lcNm)      // vantrel.nm: the NetworkManager backend
Q_DECLARE_LOGGING_CATEGORY(lcTray)    // vantrel.tray: the tray host, desktop notifications
Q_DECLARE_LOGGING_CATEGORY(lcBus)     // vantrel.bus: the org.morvent.Vantrel service
Q_DECLARE_LOGGING_CATEGORY(lcFiles)   // vantrel.files: settings, phonebook and log files
Q_DECLARE_LOGGING_CATEGORY(lcPublic)  // vantrel.public: the public address lookup

} // namespace vantrel
