// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings of the public address lookup and of the desktop notifications,
// kept in the per-user key beside the program's other settings under names of
// their own. All off by default; nothing is written until the user stores them.
#include <QString>

namespace vantrel {

class Registry;

struct Preferences {
    bool PublicLookup = false;     // ask STUN servers for the public address
    QString PublicServers;         // the servers as the user wrote them (ParseServerList)
    bool PublicInTip = false;      // the tip shows the public address instead of the local one
    bool NotifyConnected = false;  // a connection came up
    bool NotifyDropped = false;    // a connection went away without the user hanging up
    bool NotifyAddress = false;    // the local address changed
    bool NotifyPublic = false;     // the public address changed
    bool NotifyDialFailed = false; // a dial run ended without a connection
    bool operator==(const Preferences &) const = default;
};

// The defaults (the server list included).
Preferences DefaultPreferences();

// Reads the values that exist; a missing value, or one of another type, keeps
// its default. Writes nothing. A server list longer than kMaxServersText
// characters is cut there.
Preferences LoadPreferences(Registry &registry);
constexpr qsizetype kMaxServersText = 4096;

// Writes all eight values; false when the key could not be opened or a write
// failed (the values before it are stored).
bool StorePreferences(Registry &registry, const Preferences &p);

} // namespace vantrel
