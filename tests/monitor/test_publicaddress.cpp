// SPDX-License-Identifier: GPL-3.0-or-later
// The public address lookup's schedule, with a lookup the test answers and a
// clock it sets: nothing while off; at once when turned on; after a network
// change or a connect, once per burst and never sooner than the minimum gap;
// the period after an answer, the bounded back-off after a failure.
#include "monitor/publicaddress.h"
#include "platform/sockets/networkwatch.h"
#include "support/fakepublic.h"
#include "support/fixedclock.h"

#include <QPointer>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

using F = AddressFamily;
using test::FakeLookup;

struct Fixture {
    FakeLookup lookup;
    FixedClock clock{QDateTime(QDate(2024, 5, 1), QTime(12, 0))};
    int watches = 0;
    QPointer<NetworkWatch> watch;
    PublicAddress pa{lookup, clock, [this] {
                         ++watches;
                         auto w = std::make_unique<NetworkWatch>();
                         watch = w.get();
                         return w;
                     }};
    void later(int seconds) { clock.set(clock.now().addSecs(seconds)); }
};

TEST(PublicAddressSchedule, AnswersFailuresChangesAndTurningOff)
{
    Fixture t;
    QSignalSpy changes(&t.pa, &PublicAddress::addressChanged);
    t.pa.setServers({{QStringLiteral("192.0.2.1"), 3478}});
    t.pa.networkChanged(); // off: nothing at all
    EXPECT_TRUE(t.lookup.started.isEmpty());
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), -1);
    t.pa.setEnabled(true);
    ASSERT_EQ(t.lookup.waiting(F::V4), 1) << "asked at once when turned on";
    ASSERT_EQ(t.lookup.waiting(F::V6), 1);
    EXPECT_EQ(t.watches, 1);

    ASSERT_TRUE(t.lookup.answer(F::V4, QStringLiteral("203.0.113.7")));
    EXPECT_EQ(t.pa.address4(), QStringLiteral("203.0.113.7"));
    EXPECT_EQ(t.pa.family(F::V4).answered, t.clock.now());
    EXPECT_EQ(t.pa.family(F::V4).server, QStringLiteral("192.0.2.1:3478"));
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), PublicAddress::kPeriodMs);

    // IPv6 gets no answer: 15 s, then doubled, never past the period.
    const qint64 backOff[] = {15000, 30000, 60000, 120000, 240000, 300000, 300000};
    for (const qint64 expected : backOff) {
        ASSERT_TRUE(t.lookup.answer(F::V6, QString()));
        EXPECT_TRUE(t.pa.address6().isEmpty());
        EXPECT_FALSE(t.pa.family(F::V6).error.isEmpty());
        EXPECT_EQ(t.pa.nextLookupIn(F::V6), expected);
        t.later(int(expected / 1000));
        t.pa.fireTimer(F::V6);
        ASSERT_EQ(t.lookup.waiting(F::V6), 1);
    }
    ASSERT_TRUE(t.lookup.answer(F::V6, QStringLiteral("2001:db8::7")));

    // A network change: both after the settling time; a second change in the
    // burst does not put it off; right after a lookup began, the minimum gap.
    t.later(60);
    emit t.watch->changed();
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), PublicAddress::kSettleMs);
    EXPECT_EQ(t.pa.nextLookupIn(F::V6), PublicAddress::kSettleMs);
    emit t.watch->changed();
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), PublicAddress::kSettleMs);
    t.pa.fireTimer(F::V4);
    t.pa.connectionChanged(); // while asking: once more when the answer is in
    ASSERT_TRUE(t.lookup.answer(F::V4, QStringLiteral("198.51.100.9")));
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][1].toString(), QStringLiteral("203.0.113.7"));
    EXPECT_EQ(changes[0][2].toString(), QStringLiteral("198.51.100.9"));
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), PublicAddress::kMinGapMs) << "the connect asks again, after the gap";

    // A failure and the same address again is no change.
    t.pa.fireTimer(F::V4);
    ASSERT_TRUE(t.lookup.answer(F::V4, QString()));
    t.pa.fireTimer(F::V4);
    ASSERT_TRUE(t.lookup.answer(F::V4, QStringLiteral("198.51.100.9")));
    EXPECT_EQ(changes.size(), 1);

    // Turned off while a lookup runs: its answer goes nowhere, nothing is due,
    // the watch is gone, nothing is known.
    t.pa.fireTimer(F::V6);
    ASSERT_EQ(t.lookup.waiting(F::V6), 1);
    t.pa.setEnabled(false);
    EXPECT_TRUE(t.lookup.answer(F::V6, QStringLiteral("2001:db8::9")));
    EXPECT_TRUE(t.pa.address6().isEmpty());
    EXPECT_TRUE(t.pa.address4().isEmpty());
    EXPECT_EQ(t.pa.nextLookupIn(F::V4), -1);
    EXPECT_EQ(t.pa.nextLookupIn(F::V6), -1);
    EXPECT_TRUE(t.watch.isNull());
    EXPECT_EQ(changes.size(), 1);
}

} // namespace
