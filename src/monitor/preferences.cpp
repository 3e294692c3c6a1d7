// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/preferences.h"

#include "platform/registry/registry.h"
#include "platform/stun/stunlookup.h"

namespace vantrel {

namespace {

const QString kMainKey = QStringLiteral("\\Software\\Morvent\\Vantrel");

struct Flag {
    const char *name;
    bool Preferences::*field;
};
constexpr Flag kFlags[] = {
    {"PublicLookup", &Preferences::PublicLookup},         {"PublicInTip", &Preferences::PublicInTip},
    {"NotifyConnected", &Preferences::NotifyConnected},   {"NotifyDropped", &Preferences::NotifyDropped},
    {"NotifyAddress", &Preferences::NotifyAddress},       {"NotifyPublic", &Preferences::NotifyPublic},
    {"NotifyDialFailed", &Preferences::NotifyDialFailed},
};
const QString kServers = QStringLiteral("PublicServers");

} // namespace

Preferences DefaultPreferences()
{
    Preferences p;
    p.PublicServers = kDefaultStunServers;
    return p;
}

Preferences LoadPreferences(Registry &registry)
{
    Preferences p = DefaultPreferences();
    RegKey key;
    if (registry.openKey(Hive::CurrentUser, kMainKey, false, &key) != RegStatus::Success)
        return p;
    RegValue v;
    for (const Flag &flag : kFlags)
        if (registry.queryValue(key, QLatin1String(flag.name), &v) == RegStatus::Success && v.type == RegType::Dword)
            p.*flag.field = v.number != 0;
    if (registry.queryValue(key, kServers, &v) == RegStatus::Success
        && (v.type == RegType::Sz || v.type == RegType::ExpandSz))
        p.PublicServers = v.text.left(kMaxServersText);
    registry.closeKey(&key);
    return p;
}

bool StorePreferences(Registry &registry, const Preferences &p)
{
    RegKey key;
    if (registry.openKey(Hive::CurrentUser, kMainKey, true, &key) != RegStatus::Success)
        return false;
    bool ok = true;
    for (const Flag &flag : kFlags)
        ok = ok
             && registry.setValue(key, QLatin1String(flag.name), RegValue::dword(p.*flag.field ? 1 : 0))
                    == RegStatus::Success;
    ok = ok && registry.setValue(key, kServers, RegValue::string(p.PublicServers)) == RegStatus::Success;
    registry.closeKey(&key);
    return ok;
}

} // namespace vantrel
