// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stand-ins for the public address lookup (the test answers each lookup) and
// for the desktop notifications (what would be shown, in order).
#include "platform/notifications.h"
#include "platform/stun/stunlookup.h"

#include <QPointer>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace vantrel::test {

class FakeLookup final : public PublicAddressLookup {
public:
    struct Started {
        AddressFamily family;
        QPointer<QObject> context;
        std::function<void(const LookupResult &)> done;
    };
    void start(AddressFamily family, const QList<StunServer> &, QObject *context,
               std::function<void(const LookupResult &)> done) override
    {
        started.append({family, context, std::move(done)});
    }
    int waiting(AddressFamily f) const
    {
        return int(std::count_if(started.begin(), started.end(), [f](const Started &s) { return s.family == f; }));
    }
    // Answers the family's oldest lookup: an address, or a failure for an
    // empty one. False when none was waiting.
    bool answer(AddressFamily f, const QString &address)
    {
        const auto it = std::find_if(started.begin(), started.end(), [f](const Started &s) { return s.family == f; });
        if (it == started.end())
            return false;
        const Started s = *it;
        started.erase(it);
        LookupResult r;
        r.family = f;
        r.ok = !address.isEmpty();
        r.address = address;
        r.server = QStringLiteral("192.0.2.1:3478");
        r.error = r.ok ? QString() : QStringLiteral("192.0.2.1:3478: no answer within 2 s");
        if (s.context)
            s.done(r);
        return true;
    }
    QList<Started> started;
};

class RecordingNotifier final : public DesktopNotifier {
public:
    void notify(const Notice &n) override { shown.append(n.summary + QStringLiteral(": ") + n.body); }
    QStringList shown;
};

} // namespace vantrel::test
