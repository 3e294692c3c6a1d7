// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's process-wide values, in one object made at start-up and handed to
// what needs it, and the bundle of platform stand-ins chosen at start-up.
#include "monitor/settings.h"
#include "platform/sockets/sockets.h"

#include <QString>

#include <cstdint>

namespace vantrel {

class Registry;
class RasApi;
class Sockets;
class NotifyIcon;
class WavePlayer;
class Beeper;
class Pause;
class Clock;
class MessageBoxes;

struct AppState {
    vantrel::AppSettings AppSettings;
    vantrel::SettingsStore SettingsStore; // how AppSettings is stored
    QString ProgramFolder;                // folder of the program file, no trailing separator
    bool InstalledProgram = false;        // built for installing: the log is kept in the state folder
    QString CurrentEntry;                 // phonebook entry dialled or tried last in this run
    std::int32_t AlarmElapsedMinutes = 0;
    std::int32_t AlarmWarningCount = 0;
    WSADATA WinsockInfo{};
    // The dial run's counters, flag and credentials are the dialer's own
    // (Dialer::RedialAttempt() ...); whether the log viewer is open is
    // TfmVantrel::LogWindowOpen().
};

// The platform services. Real ones in main, fakes in tests.
struct Platform {
    Registry *registry = nullptr;
    RasApi *ras = nullptr;
    Sockets *sockets = nullptr;
    NotifyIcon *tray = nullptr;
    WavePlayer *wave = nullptr;
    Beeper *beeper = nullptr;
    Pause *pause = nullptr;
    Clock *clock = nullptr;
    MessageBoxes *boxes = nullptr;
};

} // namespace vantrel
