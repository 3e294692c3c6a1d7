// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notifications: which events give one, for each kind on and off. The
// real sender is tested end to end (e2e_public): against dbusmock's
// notification daemon, and with none on the bus.
#include "monitor/notices.h"
#include "monitor/preferences.h"
#include "support/fakepublic.h"
#include "support/fixedclock.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

using test::RecordingNotifier;

enum Kind { Connected = 1, Dropped = 2, Address = 4, Public = 8, DialFailed = 16, All = 31 };

// The same events, with every kind on and then with each kind off alone: a
// kind gives its notices while on and none while off, and never another's.
TEST(EventNotices, EachKindOnAndOff)
{
    const QStringList everything{
        "Connection dropped: Morvent Online went down without being hung up.",
        "Connection up: Morvent Online, address 10.64.3.17",
        "Address changed: from 10.64.3.17 to 10.64.3.18",
        "Connection dropped: Morvent Online went down without being hung up.",
        "Connection up: Morvent Online, address 10.64.3.19",
        "No connection: The dial run over Morvent Online ended without a connection.",
        "Public IPv4 address changed: from 203.0.113.7 to 198.51.100.9",
    };
    const struct {
        int off;
        QList<int> left; // indexes into `everything`
    } rows[] = {
        {0, {0, 1, 2, 3, 4, 5, 6}},
        {Connected, {0, 2, 3, 5, 6}},
        {Dropped, {1, 2, 4, 5, 6}},
        {Address, {0, 1, 3, 4, 5, 6}},
        {Public, {0, 1, 2, 3, 4, 5}},
        {DialFailed, {0, 1, 2, 3, 4, 6}},
        {All, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.off);
        Preferences p;
        p.NotifyConnected = !(row.off & Connected);
        p.NotifyDropped = !(row.off & Dropped);
        p.NotifyAddress = !(row.off & Address);
        p.NotifyPublic = !(row.off & Public);
        p.NotifyDialFailed = !(row.off & DialFailed);
        RecordingNotifier notifier;
        FixedClock clock(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        EventNotices notices(notifier, p, clock);
        const QString entry = QStringLiteral("Morvent Online");
        notices.pollResult(true, "10.64.3.16", entry); // up at start: not news
        notices.pollResult(false, "Network is down", entry);
        notices.pollResult(true, "10.64.3.17", entry);
        notices.pollResult(true, "10.64.3.18 (myhost)", entry); // LAN mode's form: the address part counts
        notices.pollResult(false, "Network is down", entry);
        notices.pollResult(true, "10.64.3.19", entry);
        notices.hangUpAsked();
        clock.set(clock.now().addSecs(5));
        notices.pollResult(false, "Network is down", entry); // the user's own hang-up
        notices.dialRunEnded(true, false, entry);
        notices.dialRunEnded(false, true, entry); // aborted by the user
        notices.dialRunEnded(false, false, entry);
        notices.publicAddressChanged(AddressFamily::V4, "203.0.113.7", "198.51.100.9");
        QStringList expected;
        for (const int i : row.left)
            expected << everything[i];
        EXPECT_EQ(notifier.shown, expected) << qPrintable(notifier.shown.join('\n'));
    }
}

} // namespace
