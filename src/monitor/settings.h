// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user settings record and the functions that load and store it.
#include "platform/registry/registry.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>

namespace vantrel {

class MessageBoxes;

constexpr int kCycleSlots = 8;
constexpr int kCycleEntryMaxLength = 32;

struct AppSettings {
    bool Conn = false;         // true: LAN mode; false: dial-up mode
    bool Anim = true;          // animate the tray icon while connected
    std::int32_t Def = 0;      // double-click action: 0 details, 1 copy address, other: connect/disconnect
    bool Log = false;          // write the connection log
    bool Alarm = false;        // alarm armed
    std::uint8_t Set = 0;      // 0 once, other: every interval
    std::int32_t Interval = 0; // alarm interval, minutes
    std::uint8_t Sound = 0;    // 0 none, 1 beep, 2 wave file
    QString Wave;              // wave file path
    bool Box = false;          // show the alarm message window
    QString Message;           // alarm message template
    QString RASCnx;            // "", "Multiple selections" or "<row>,<entry name>"
    bool Ask = false;          // prompt for user name and password before dialling
    std::int32_t Redial = 1;   // dial attempts per entry
    std::int32_t Wait = 0;     // seconds to pause after each attempt
    QString Cycled;            // "" or the number of cycled entries, "2".."8"
    std::int32_t RunAtStartup = 0;
    // Cycle slots 1..8 are CycleEntries[0..7]; each at most 32 characters.
    std::array<QString, kCycleSlots> CycleEntries;
};

namespace settings_text {
inline const QString kMessageNoKey = QStringLiteral("Elapsed Time: $m minutes.$n$t warning(s)");
inline const QString kMessageWrongType = QStringLiteral("Time Left: $m minutes.$n$t warning(s)");
inline const QString kMessageEmpty = QStringLiteral("Elapsed time: $m minutes.$n$t warning(s)");
} // namespace settings_text

// Writes the machine-wide markers, then fills `s` from the per-user key (defaults
// where the key or a value is missing). May show the cycle warning box.
void LoadSettings(Registry &registry, MessageBoxes &boxes, AppSettings &s);

// The three store groups. Each appends what the registry tells of every write
// that failed to `failures`, when given; the program stores through
// SettingsStore, which tells the user.

// Stores Alarm, Sound, Interval, Set, Wave, Message, Box; the first failed write ends it.
void StoreAlarmSettings(Registry &registry, const AppSettings &s, QList<RegWriteFailure> *failures = nullptr);

// Stores RASCnx, Ask, Redial, Wait, Cycled and, for a cycle of two or more, the
// eight slots. Returns false when a slot write failed after Cycled was stored:
// Cycled has then been cleared in `s` and stored empty, and the caller resets
// its cycle count. When Cycled itself could not be stored, the cycle is kept.
bool StoreConnectionSettings(Registry &registry, AppSettings &s, QList<RegWriteFailure> *failures = nullptr);

// Stores Conn, Anim, Def, Log, RunAtStartup (the first failed write ends it), then
// sets the Run entry to `programPath` or removes it.
void StoreConfiguration(Registry &registry, const AppSettings &s, const QString &programPath,
                        QList<RegWriteFailure> *failures = nullptr);

// How the program stores the groups above. A group that cannot be stored whole
// (a full disk, a read-only ~/.config, a folder in a file's place) is told to
// the user in one box per kind of failure (the file and why), not again while
// the store keeps failing that way; its values stay in AppSettings for the
// session, and the group is stored again, from the values as they are then,
// with the next group stored and at retry(), until it is stored whole. Once
// nothing is left unstored, a new failure is told again.
class SettingsStore {
    Q_DECLARE_TR_FUNCTIONS(vantrel::SettingsStore)
public:
    // The least time between two retries.
    static constexpr int kRetrySeconds = 30;

    void storeAlarm(Registry &registry, MessageBoxes &boxes, AppSettings &s);
    // As StoreConnectionSettings.
    bool storeConnection(Registry &registry, MessageBoxes &boxes, AppSettings &s);
    void storeConfiguration(Registry &registry, MessageBoxes &boxes, AppSettings &s, const QString &programPath);
    // Stores the groups left unstored, at most once in kRetrySeconds by `now`
    // (the program's clock); the poll calls it at every tick.
    void retry(Registry &registry, MessageBoxes &boxes, AppSettings &s, const QDateTime &now);
    // Some group is waiting to be stored.
    bool unstored() const { return m_unstored != 0; }

private:
    enum Group : unsigned { AlarmGroup = 1, ConnectionGroup = 2, ConfigurationGroup = 4 };
    // Stores `groups` and those left unstored; the connection group's result.
    bool store(unsigned groups, Registry &registry, MessageBoxes &boxes, AppSettings &s);

    unsigned m_unstored = 0;
    QString m_programPath;         // for the Run entry of the configuration group
    QList<RegWriteFailure> m_told; // the kinds of failure told since the store last worked
    QDateTime m_lastTry;
};

} // namespace vantrel
