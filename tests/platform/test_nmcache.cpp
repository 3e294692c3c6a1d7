// SPDX-License-Identifier: GPL-3.0-or-later
// The NetworkManager backend's cache without a bus: what a read, a signal or a
// call does to the profiles, the connections, the dials and the retries.
#include "platform/ras/nm/nmcache.h"
#include "platform/ras/nm/nmstates.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vantrel;

namespace {

const QString kProfile = QStringLiteral("/Settings/1");
const QString kActive = QStringLiteral("/Active/1");
const QString kDevice = QStringLiteral("/Devices/1");

struct Step {
    RASCONNSTATE state;
    DWORD error;
    bool operator==(const Step &) const = default;
};

class NmCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        cache.wentUp(QStringLiteral(":1.7"));
        cache.applyProfiles({{kProfile, QStringLiteral("Modem"), QStringLiteral("gsm"), {}, true}});
    }

    NmCache::ActiveRead read(unsigned state, const QString &address = {}) const
    {
        NmCache::ActiveRead r;
        r.path = kActive;
        r.profilePath = kProfile;
        r.type = QStringLiteral("gsm");
        r.devices = {kDevice};
        r.state = state;
        r.connection.entryName = QStringLiteral("Modem");
        r.connection.address = address;
        return r;
    }
    NmCache::ActiveRead unread() const
    {
        NmCache::ActiveRead r;
        r.path = kActive;
        r.unread = true;
        return r;
    }

    // Starts a dial of the profile; its reports land in `steps`.
    HRASCONN dial()
    {
        NmCache::Reports out;
        HRASCONN h = 0;
        EXPECT_EQ(cache.startDial(
                      QStringLiteral("modem"), QStringLiteral("pw"),
                      [this](RASCONNSTATE s, DWORD e) {
                          steps.push_back({s, e});
                      },
                      &h, out),
                  0u);
        NmCache::Deliver(out);
        return h;
    }
    void deliver(const NmCache::Reports &out) { NmCache::Deliver(out); }
    void apply(const QList<NmCache::ActiveRead> &seen) { deliver(cache.applyActive(seen).reports); }

    NmCache cache;
    std::vector<Step> steps;
};

TEST_F(NmCacheTest, AFailedReadKeepsWhatWasKnown)
{
    apply({read(nm::AcActivated, QStringLiteral("10.1.2.3"))});
    const QList<RasLiveConnection> before = cache.liveConnections();
    ASSERT_EQ(before.size(), 1);

    apply({unread()});
    const QList<RasLiveConnection> after = cache.liveConnections();
    ASSERT_EQ(after.size(), 1);
    EXPECT_EQ(after[0].handle, before[0].handle);
    QString address;
    EXPECT_EQ(cache.address(before[0].handle, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("10.1.2.3"));

    // A profile that did not answer stays as last read.
    ASSERT_TRUE(cache.lastRead(kProfile));
    EXPECT_EQ(cache.lastRead(kProfile)->id, QStringLiteral("Modem"));
}

TEST_F(NmCacheTest, FailedReadsBackOffUntilEveryReadSucceeds)
{
    struct Case {
        const char *what;
        bool failed; // else succeeded
        unsigned reads;
        int waitMs;    // after a failure
        bool allClear; // after a success
    };
    const Case cases[] = {
        {"first failure", true, NmCache::ReadActive, 250, false},
        {"doubles", true, NmCache::ReadProfiles, 500, false},
        {"doubles again", true, NmCache::ReadActive, 1000, false},
        {"one of two succeeds", false, NmCache::ReadActive, 0, false},
        {"still doubling", true, NmCache::ReadProfiles, 2000, false},
        {"", true, NmCache::ReadProfiles, 4000, false},
        {"", true, NmCache::ReadProfiles, 8000, false},
        {"reaches the longest", true, NmCache::ReadProfiles, 16000, false},
        {"stays at the longest", true, NmCache::ReadProfiles, 16000, false},
        {"the last one succeeds", false, NmCache::ReadProfiles, 0, true},
        {"starts over", true, NmCache::ReadActive, 250, false},
    };
    for (const Case &c : cases) {
        if (c.failed) {
            EXPECT_EQ(cache.readFailed(c.reads), c.waitMs) << c.what;
            EXPECT_TRUE(cache.dueForRetry() & c.reads) << c.what;
        } else {
            EXPECT_EQ(cache.readSucceeded(c.reads), c.allClear) << c.what;
            EXPECT_FALSE(cache.dueForRetry() & c.reads) << c.what;
        }
    }
}

TEST_F(NmCacheTest, AConnectionGoesOnlyWhenNetworkManagerNoLongerListsIt)
{
    apply({read(nm::AcActivated, QStringLiteral("10.1.2.3"))});
    const HRASCONN h = cache.liveConnections().value(0).handle;

    NmCache::Reports out;
    QString deactivate;
    EXPECT_EQ(cache.hangUp(h, out, &deactivate), 0u);
    EXPECT_EQ(deactivate, kActive);
    EXPECT_EQ(cache.liveConnections().size(), 1) << "asked to go, not gone";

    apply({read(nm::AcDeactivating)});
    EXPECT_TRUE(cache.liveConnections().isEmpty());
    apply({});
    EXPECT_TRUE(cache.liveConnections().isEmpty());
    EXPECT_EQ(cache.hangUp(h, out, &deactivate), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(NmCacheTest, ADialStepsForwardOnlyAndEndsConnected)
{
    const HRASCONN h = dial();
    const std::optional<NmCache::DialRequest> request = cache.dialRequest(h);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->profilePath, kProfile);
    QString undo;
    deliver(cache.activationAccepted(*request, kActive, &undo));
    EXPECT_TRUE(undo.isEmpty());
    deliver(cache.activeStateChanged(kActive, nm::AcActivating, 0));
    apply({read(nm::AcActivating)}); // learns the device
    deliver(cache.deviceStateChanged(kDevice, nm::DevConfig, 0));
    deliver(cache.deviceStateChanged(kDevice, nm::DevPrepare, 0)); // late: nothing new
    deliver(cache.deviceStateChanged(kDevice, nm::DevIpConfig, 0));
    apply({read(nm::AcActivated, QStringLiteral("10.1.2.3"))});

    const std::vector<Step> expected = {{RASCS_OpenPort, 0},        {RASCS_PortOpened, 0},  {RASCS_ConnectDevice, 0},
                                        {RASCS_DeviceConnected, 0}, {RASCS_AuthProject, 0}, {RASCS_Connected, 0}};
    EXPECT_EQ(steps, expected);
    EXPECT_FALSE(cache.dialRequest(h)) << "a connected dial is a connection";
    EXPECT_EQ(cache.liveConnections().value(0).handle, h);
}

TEST_F(NmCacheTest, AnEndedDialWaitsOnceForTheReasonThenFailsWithIt)
{
    const HRASCONN h = dial();
    QString undo;
    deliver(cache.activationAccepted(*cache.dialRequest(h), kActive, &undo));
    apply({read(nm::AcActivating)});
    deliver(cache.deviceStateChanged(kDevice, nm::DevFailed, 25)); // no carrier
    steps.clear();

    EXPECT_TRUE(cache.applyActive({}).recheck);
    EXPECT_TRUE(steps.empty());
    apply({});
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].error, static_cast<DWORD>(ERROR_NO_CARRIER)) << "the device's reason";

    // The failure stays readable, as on a port, until hung up.
    RASCONNSTATE state{};
    DWORD error = 0;
    EXPECT_EQ(cache.status(h, &state, &error), 0u);
    EXPECT_EQ(error, steps[0].error);
    NmCache::Reports out;
    QString deactivate;
    EXPECT_EQ(cache.hangUp(h, out, &deactivate), 0u);
    EXPECT_EQ(cache.status(h, &state, &error), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(NmCacheTest, HandlesStayWithTheirConnectionAndAreNeverShared)
{
    apply({read(nm::AcActivated)});
    const HRASCONN listed = cache.liveConnections().value(0).handle;
    cache.applyProfiles({{kProfile, QStringLiteral("Modem"), QStringLiteral("gsm"), {}, true},
                         {QStringLiteral("/Settings/2"), QStringLiteral("Other"), QStringLiteral("pppoe"), {}, true}});
    NmCache::Reports out;
    HRASCONN failed = 0;
    ASSERT_EQ(cache.startDial(QStringLiteral("Other"), {}, {}, &failed, out), 0u);
    deliver(cache.activationRefused(*cache.dialRequest(failed), ERROR_NM_NO_SECRETS));
    HRASCONN again = 0;
    ASSERT_EQ(cache.startDial(QStringLiteral("Other"), {}, {}, &again, out), 0u);

    apply({read(nm::AcActivated)});
    EXPECT_EQ(cache.liveConnections().value(0).handle, listed);
    const std::vector<HRASCONN> handles = {listed, failed, again};
    for (size_t i = 0; i < handles.size(); ++i) {
        EXPECT_NE(handles[i], 0u);
        for (size_t j = i + 1; j < handles.size(); ++j)
            EXPECT_NE(handles[i], handles[j]);
    }
    // A profile that is up or being dialled is not dialled again.
    EXPECT_EQ(cache.startDial(QStringLiteral("Modem"), {}, {}, &again, out), static_cast<DWORD>(ERROR_PORT_ALREADY_OPEN));
    EXPECT_EQ(cache.startDial(QStringLiteral("Other"), {}, {}, &again, out), static_cast<DWORD>(ERROR_PORT_ALREADY_OPEN));
}

TEST_F(NmCacheTest, AnActivationAnsweredAfterTheHangUpIsUndone)
{
    struct Case {
        bool accepted;
        QString undo;
    };
    for (const Case &c : {Case{true, kActive}, Case{false, QString()}}) {
        const HRASCONN h = dial();
        const NmCache::DialRequest request = *cache.dialRequest(h);
        NmCache::Reports out;
        QString deactivate;
        ASSERT_EQ(cache.hangUp(h, out, &deactivate), 0u);
        EXPECT_TRUE(deactivate.isEmpty());
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].error, static_cast<DWORD>(ERROR_USER_DISCONNECTION));

        QString undo;
        const NmCache::Reports late = c.accepted ? cache.activationAccepted(request, kActive, &undo)
                                                 : cache.activationRefused(request, 1);
        EXPECT_TRUE(late.empty());
        EXPECT_EQ(undo, c.undo);
    }
}

TEST_F(NmCacheTest, ATypedPasswordIsHandedOverOncePerDial)
{
    dial();
    EXPECT_FALSE(cache.takePassword(QStringLiteral("/Settings/9"), false));
    EXPECT_EQ(cache.takePassword(kProfile, false), QStringLiteral("pw"));
    EXPECT_FALSE(cache.takePassword(kProfile, true)) << "asked anew: it was wrong";
    EXPECT_TRUE(cache.isNetworkManager(QStringLiteral(":1.7")));
    EXPECT_FALSE(cache.isNetworkManager(QStringLiteral(":1.8")));
}

TEST_F(NmCacheTest, NetworkManagerGoingAwayFailsDialsAndForgetsAll)
{
    dial();
    apply({read(nm::AcActivated)});
    ASSERT_EQ(cache.liveConnections().size(), 1);
    cache.readFailed(NmCache::ReadActive);
    deliver(cache.wentDown());

    EXPECT_EQ(steps.back(), (Step{RASCS_OpenPort, ERROR_NM_GONE}));
    EXPECT_TRUE(cache.liveConnections().isEmpty());
    EXPECT_EQ(cache.dueForRetry(), 0u);
    QList<QString> names;
    EXPECT_EQ(cache.entryNames(&names), static_cast<DWORD>(ERROR_NM_NOT_RUNNING));
    EXPECT_FALSE(cache.isNetworkManager(QStringLiteral(":1.7")));
}

} // namespace
