// SPDX-License-Identifier: GPL-3.0-or-later
// RasApi over the in-memory service: record layouts, size and pointer checks,
// buffer rules, projection, status, error texts and where notifications run.
#include "platform/ras/ras.h"
#include "support/fakeras.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

using namespace vantrel;
using vantrel::test::FakeRasService;

namespace {

// Processes events until `done` holds; fails the test after 10 s.
template <typename F>
bool waitFor(F done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

RASDIALPARAMSA paramsFor(const char *entry)
{
    RASDIALPARAMSA p;
    std::memset(&p, 0, sizeof p);
    p.dwSize = sizeof p;
    std::strncpy(p.szEntryName, entry, RAS_MaxEntryName);
    return p;
}

struct Note {
    unsigned message;
    RASCONNSTATE state;
    DWORD error;
    QThread *thread;
};

} // namespace

TEST(RasRecords, SizesAndFieldOffsetsMatchTheInterface)
{
    EXPECT_EQ(sizeof(RASDIALPARAMSA), 1052u);
    EXPECT_EQ(sizeof(RASCONNA), 412u);
    EXPECT_EQ(sizeof(RASENTRYNAMEA), 264u);
    EXPECT_EQ(sizeof(RASCONNSTATUSA), 160u);
    EXPECT_EQ(sizeof(RASPPPIPA), 40u);
    EXPECT_EQ(offsetof(RASDIALPARAMSA, szEntryName), 4u);
    EXPECT_EQ(offsetof(RASDIALPARAMSA, szUserName), 4u + 257 + 129 + 129);
    EXPECT_EQ(offsetof(RASDIALPARAMSA, szPassword), 4u + 257 + 129 + 129 + 257);
    EXPECT_EQ(offsetof(RASCONNA, hrasconn), 4u);
    EXPECT_EQ(offsetof(RASCONNA, szEntryName), 8u);
    EXPECT_EQ(offsetof(RASCONNSTATUSA, dwError), 8u);
    EXPECT_EQ(offsetof(RASPPPIPA, szIpAddress), 8u);
    EXPECT_EQ(offsetof(RASPPPIPA, szServerIpAddress), 24u);
}

TEST(RasApi, WrongSizeFieldsAreRefusedWithInvalidSize)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    const HRASCONN h = fake.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1"));
    RasApi api(fake);
    // Both one off and the later, larger layouts of the same records.
    for (const int delta : {-1, 1, -4, 4, 8, 100}) {
        SCOPED_TRACE(delta);
        RASDIALPARAMSA p = paramsFor("A");
        p.dwSize = static_cast<DWORD>(int(sizeof p) + delta);
        int saved = 0;
        EXPECT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &saved), ERROR_INVALID_SIZE);
        HRASCONN conn = 0;
        EXPECT_EQ(api.RasDialA(
                      nullptr, nullptr, &p, 0, [](unsigned, RASCONNSTATE, DWORD) {}, &conn),
                  ERROR_INVALID_SIZE);

        std::vector<RASENTRYNAMEA> names(4);
        names[0].dwSize = static_cast<DWORD>(int(sizeof(RASENTRYNAMEA)) + delta);
        DWORD cb = DWORD(names.size() * sizeof(RASENTRYNAMEA)), count = 0;
        EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), ERROR_INVALID_SIZE);

        std::vector<RASCONNA> conns(4);
        conns[0].dwSize = static_cast<DWORD>(int(sizeof(RASCONNA)) + delta);
        cb = DWORD(conns.size() * sizeof(RASCONNA));
        EXPECT_EQ(api.RasEnumConnectionsA(conns.data(), &cb, &count), ERROR_INVALID_SIZE);

        RASCONNSTATUSA st{};
        st.dwSize = static_cast<DWORD>(int(sizeof st) + delta);
        EXPECT_EQ(api.RasGetConnectStatusA(h, &st), ERROR_INVALID_SIZE);

        // A room larger than the record is fine; the size field must still match.
        std::vector<char> raw(200, 0);
        auto *ip = reinterpret_cast<RASPPPIPA *>(raw.data());
        ip->dwSize = static_cast<DWORD>(int(sizeof(RASPPPIPA)) + delta);
        cb = 200;
        EXPECT_EQ(api.RasGetProjectionInfoA(h, RASP_PppIp, ip, &cb), ERROR_INVALID_SIZE);
    }
    EXPECT_TRUE(fake.dialCalls().isEmpty());
}

TEST(RasApi, MissingPointersAndUnsupportedArgumentsAreInvalidParameters)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    const HRASCONN h = fake.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1"));
    RasApi api(fake);
    const auto notifier = [](unsigned, RASCONNSTATE, DWORD) {};
    RASDIALPARAMSA p = paramsFor("A");
    HRASCONN conn = 0;
    DWORD cb = 0, count = 0;
    int saved = 0;
    RASENTRYNAMEA names[1]{};
    RASCONNA conns[1]{};
    RASPPPIPA ip{};
    ip.dwSize = sizeof ip;
    RASCONNSTATUSA st{};
    st.dwSize = sizeof st;
    char text[100];
    const int dummy = 0;

    const std::vector<std::pair<const char *, DWORD>> cases = {
        {"dial without params", api.RasDialA(nullptr, nullptr, nullptr, 0, notifier, &conn)},
        {"dial without handle", api.RasDialA(nullptr, nullptr, &p, 0, notifier, nullptr)},
        {"dial with notifier type 1", api.RasDialA(nullptr, nullptr, &p, 1, notifier, &conn)},
        {"dial with no notifier", api.RasDialA(nullptr, nullptr, &p, 0, nullptr, &conn)},
        {"dial with extensions", api.RasDialA(&dummy, nullptr, &p, 0, notifier, &conn)},
        {"dial params without params", api.RasGetEntryDialParamsA(nullptr, nullptr, &saved)},
        {"dial params without flag", api.RasGetEntryDialParamsA(nullptr, &p, nullptr)},
        {"entries without byte count", api.RasEnumEntriesA(nullptr, nullptr, names, nullptr, &count)},
        {"entries without count", api.RasEnumEntriesA(nullptr, nullptr, names, &cb, nullptr)},
        {"entries with reserved", api.RasEnumEntriesA(&dummy, nullptr, names, &cb, &count)},
        {"connections without byte count", api.RasEnumConnectionsA(conns, nullptr, &count)},
        {"connections without count", api.RasEnumConnectionsA(conns, &cb, nullptr)},
        {"status without record", api.RasGetConnectStatusA(h, nullptr)},
        {"projection without record", api.RasGetProjectionInfoA(h, RASP_PppIp, nullptr, &cb)},
        {"projection without byte count", api.RasGetProjectionInfoA(h, RASP_PppIp, &ip, nullptr)},
        {"projection other than PPP IP",
         [&] {
             cb = 40;
             return api.RasGetProjectionInfoA(h, 0x803F, &ip, &cb);
         }()},
        {"error text without buffer", api.RasGetErrorStringA(ERROR_LINE_BUSY, nullptr, 100)},
        {"error text with no room", api.RasGetErrorStringA(ERROR_LINE_BUSY, text, 0)},
    };
    for (const auto &[what, rc] : cases)
        EXPECT_EQ(rc, ERROR_INVALID_PARAMETER) << what;
    EXPECT_TRUE(fake.dialCalls().isEmpty());
}

TEST(RasApi, OnlyTheDefaultPhonebookExists)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    RasApi api(fake);
    RASDIALPARAMSA p = paramsFor("A");
    int saved = 0;
    HRASCONN conn = 0;
    RASENTRYNAMEA names[1]{};
    names[0].dwSize = sizeof names[0];
    DWORD cb = sizeof names, count = 0;
    EXPECT_EQ(api.RasGetEntryDialParamsA("/tmp/other.pbk", &p, &saved), ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(api.RasDialA(
                  nullptr, "/tmp/other.pbk", &p, 0, [](unsigned, RASCONNSTATE, DWORD) {}, &conn),
              ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, "/tmp/other.pbk", names, &cb, &count), ERROR_CANNOT_OPEN_PHONEBOOK);
}

TEST(RasApi, EnumEntriesReportsRoomNeededAndFillsInOrder)
{
    FakeRasService fake;
    for (int i = 0; i < 120; ++i)
        fake.addEntry(QStringLiteral("Entry %1").arg(119 - i));
    RasApi api(fake);

    std::vector<RASENTRYNAMEA> names(100);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD cb = 26400, count = 7;
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 120u * 264u);
    EXPECT_EQ(count, 120u);

    // No buffer at all: the same answer, nothing read.
    cb = 0;
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, nullptr, &cb, &count), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 120u * 264u);

    names.resize(120);
    cb = DWORD(names.size() * sizeof(RASENTRYNAMEA));
    ASSERT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), 0u);
    ASSERT_EQ(count, 120u);
    for (int i = 0; i < 120; ++i) {
        EXPECT_EQ(names[size_t(i)].dwSize, 264u);
        EXPECT_EQ(QString::fromUtf8(names[size_t(i)].szEntryName), QStringLiteral("Entry %1").arg(119 - i));
    }

    fake.listEntriesError = ERROR_CANNOT_OPEN_PHONEBOOK;
    count = 5;
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(count, 0u);
}

TEST(RasApi, EnumConnectionsBufferRulesAndFields)
{
    FakeRasService fake;
    RasApi api(fake);
    std::vector<RASCONNA> conns(2);
    conns[0].dwSize = sizeof(RASCONNA);
    DWORD cb = DWORD(conns.size() * sizeof(RASCONNA)), count = 9;
    ASSERT_EQ(api.RasEnumConnectionsA(conns.data(), &cb, &count), 0u);
    EXPECT_EQ(count, 0u);

    const HRASCONN a = fake.addConnection(QStringLiteral("First"), QStringLiteral("10.0.0.1"));
    fake.addConnection(QStringLiteral("Second"), QStringLiteral("10.0.0.2"));
    const HRASCONN c = fake.addConnection(QStringLiteral("Third"), QString(), QStringLiteral("isdn"),
                                          QString(200, QLatin1Char('d')));
    EXPECT_EQ(api.RasEnumConnectionsA(conns.data(), &cb, &count), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 3u * 412u);
    EXPECT_EQ(count, 3u);

    conns.resize(3);
    cb = DWORD(conns.size() * sizeof(RASCONNA));
    ASSERT_EQ(api.RasEnumConnectionsA(conns.data(), &cb, &count), 0u);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(conns[0].hrasconn, a);
    EXPECT_STREQ(conns[0].szEntryName, "First");
    EXPECT_EQ(conns[2].hrasconn, c);
    EXPECT_STREQ(conns[2].szDeviceType, "isdn");
    // A device name longer than its field is cut and still terminated.
    EXPECT_EQ(std::strlen(conns[2].szDeviceName), size_t(RAS_MaxDeviceName));

    fake.connectionsError = ERROR_PORT_NOT_AVAILABLE;
    EXPECT_EQ(api.RasEnumConnectionsA(conns.data(), &cb, &count), ERROR_PORT_NOT_AVAILABLE);
    EXPECT_EQ(count, 0u);
}

TEST(RasApi, ProjectionInfo)
{
    FakeRasService fake;
    RasApi api(fake);
    const HRASCONN up = fake.addConnection(QStringLiteral("Up"), QStringLiteral("192.168.100.200"));
    const HRASCONN negotiating = fake.addConnection(QStringLiteral("Neg"), QString());

    RASPPPIPA ip{};
    std::memset(&ip, 'x', sizeof ip);
    ip.dwSize = sizeof ip;
    DWORD cb = sizeof ip;
    ASSERT_EQ(api.RasGetProjectionInfoA(up, RASP_PppIp, &ip, &cb), 0u);
    EXPECT_STREQ(ip.szIpAddress, "192.168.100.200");
    EXPECT_EQ(ip.dwError, 0u);
    EXPECT_EQ(cb, 40u);

    cb = 40;
    EXPECT_EQ(api.RasGetProjectionInfoA(negotiating, RASP_PppIp, &ip, &cb), ERROR_PROJECTION_NOT_COMPLETE);
    cb = 40;
    EXPECT_EQ(api.RasGetProjectionInfoA(0xDEAD, RASP_PppIp, &ip, &cb), ERROR_INVALID_HANDLE);
    cb = 40;
    EXPECT_EQ(api.RasGetProjectionInfoA(0, RASP_PppIp, &ip, &cb), ERROR_INVALID_HANDLE);
    cb = 39;
    EXPECT_EQ(api.RasGetProjectionInfoA(up, RASP_PppIp, &ip, &cb), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(cb, 40u);

    fake.setAddress(negotiating, QStringLiteral("10.1.1.1"));
    cb = 40;
    ASSERT_EQ(api.RasGetProjectionInfoA(negotiating, RASP_PppIp, &ip, &cb), 0u);
    EXPECT_STREQ(ip.szIpAddress, "10.1.1.1");

    // An IPv6 address is no IPv4 projection; the extension gives it whole.
    const QString v6 = QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678");
    fake.setAddress(up, v6);
    cb = 40;
    EXPECT_EQ(api.RasGetProjectionInfoA(up, RASP_PppIp, &ip, &cb), ERROR_PROTOCOL_NOT_CONFIGURED);
    QString text;
    ASSERT_EQ(api.RasGetProjectionTextA(up, &text), 0u);
    EXPECT_EQ(text, v6);
    EXPECT_EQ(api.RasGetProjectionTextA(0, &text), ERROR_INVALID_HANDLE);
}

TEST(RasApi, EntryDialParams)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("Saved"), QStringLiteral("anna"), QStringLiteral("s3cret"), true);
    fake.addEntry(QStringLiteral("Unsaved"), QStringLiteral("bob"), QStringLiteral("ignored"), false);
    fake.addEntry(QStringLiteral("Long"), QString(300, QLatin1Char('u')), QString(300, QLatin1Char('p')), true);
    RasApi api(fake);

    RASDIALPARAMSA p = paramsFor("saved"); // names compare without regard to case
    int flag = -1;
    ASSERT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), 0u);
    EXPECT_STREQ(p.szUserName, "anna");
    EXPECT_STREQ(p.szPassword, "s3cret");
    EXPECT_EQ(flag, 1);

    p = paramsFor("Unsaved");
    ASSERT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), 0u);
    EXPECT_STREQ(p.szUserName, "bob");
    EXPECT_STREQ(p.szPassword, "");
    EXPECT_EQ(flag, 0);

    p = paramsFor("Long");
    ASSERT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), 0u);
    EXPECT_EQ(std::strlen(p.szUserName), size_t(UNLEN));
    EXPECT_EQ(std::strlen(p.szPassword), size_t(PWLEN));
    EXPECT_EQ(p.szDomain[0], '\0'); // the neighbouring field is untouched

    p = paramsFor("Nobody");
    EXPECT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);

    // An entry name that fills its field with no terminating NUL is refused, not overrun.
    std::memset(p.szEntryName, 'A', sizeof p.szEntryName);
    EXPECT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), ERROR_INVALID_PARAMETER);

    fake.entryDialParamsError = ERROR_CANNOT_LOAD_PHONEBOOK;
    p = paramsFor("Saved");
    EXPECT_EQ(api.RasGetEntryDialParamsA(nullptr, &p, &flag), ERROR_CANNOT_LOAD_PHONEBOOK);
}

TEST(RasApi, ErrorTextsFitTheProgramsBufferAndUnknownCodesGetTheNumber)
{
    FakeRasService fake;
    RasApi api(fake);
    const DWORD known[] = {ERROR_INVALID_HANDLE,
                           ERROR_NOT_ENOUGH_MEMORY,
                           ERROR_INVALID_PARAMETER,
                           ERROR_INSUFFICIENT_BUFFER,
                           PENDING,
                           ERROR_INVALID_PORT_HANDLE,
                           ERROR_PORT_ALREADY_OPEN,
                           ERROR_BUFFER_TOO_SMALL,
                           ERROR_WRONG_INFO_SPECIFIED,
                           ERROR_PORT_NOT_CONNECTED,
                           ERROR_DEVICE_DOES_NOT_EXIST,
                           ERROR_PORT_NOT_FOUND,
                           ERROR_ALREADY_DISCONNECTING,
                           ERROR_PORT_NOT_OPEN,
                           ERROR_PORT_DISCONNECTED,
                           ERROR_CANNOT_OPEN_PHONEBOOK,
                           ERROR_CANNOT_LOAD_PHONEBOOK,
                           ERROR_CANNOT_FIND_PHONEBOOK_ENTRY,
                           ERROR_CANNOT_WRITE_PHONEBOOK,
                           ERROR_CORRUPT_PHONEBOOK,
                           ERROR_DISCONNECTION,
                           ERROR_REMOTE_DISCONNECTION,
                           ERROR_HARDWARE_FAILURE,
                           ERROR_USER_DISCONNECTION,
                           ERROR_INVALID_SIZE,
                           ERROR_PORT_NOT_AVAILABLE,
                           ERROR_CANNOT_PROJECT_CLIENT,
                           ERROR_UNKNOWN,
                           ERROR_REQUEST_TIMEOUT,
                           ERROR_LINE_BUSY,
                           ERROR_VOICE_ANSWER,
                           ERROR_NO_ANSWER,
                           ERROR_NO_CARRIER,
                           ERROR_NO_DIALTONE,
                           ERROR_AUTHENTICATION_FAILURE,
                           ERROR_PPP_TIMEOUT,
                           ERROR_PPP_NO_RESPONSE,
                           ERROR_PROJECTION_NOT_COMPLETE,
                           ERROR_NM_NOT_RUNNING,
                           ERROR_NM_GONE,
                           ERROR_NM_NO_SECRETS,
                           ERROR_NM_TIMEOUT,
                           ERROR_NM_DEVICE_GONE,
                           ERROR_NM_NO_DEVICE,
                           ERROR_NM_NOT_AUTHORIZED,
                           ERROR_NM_SERVICE_STOPPED,
                           ERROR_NM_SERVICE_START,
                           ERROR_NM_NO_ADDRESS,
                           ERROR_NM_PROFILE_REMOVED,
                           ERROR_NM_DEPENDENCY,
                           ERROR_NM_SIM,
                           ERROR_NM_MOBILE_NETWORK,
                           ERROR_NM_PPP,
                           ERROR_NM_BLUETOOTH,
                           ERROR_NM_FAILED};
    QSet<QByteArray> seen;
    for (const DWORD code : known) {
        char buf[100];
        std::memset(buf, 0x7F, sizeof buf);
        ASSERT_EQ(api.RasGetErrorStringA(code, buf, sizeof buf), 0u) << code;
        const QByteArray text(buf);
        EXPECT_GT(text.size(), 10) << code;
        EXPECT_FALSE(text.startsWith("Remote access error")) << code << " has no text of its own";
        EXPECT_FALSE(seen.contains(text)) << code << " shares its text";
        seen.insert(text);
    }

    char buf[100];
    ASSERT_EQ(api.RasGetErrorStringA(4242, buf, sizeof buf), 0u);
    EXPECT_TRUE(QByteArray(buf).contains("4242")) << buf;
    ASSERT_EQ(api.RasGetErrorStringA(0xFFFFFFFFu, buf, sizeof buf), 0u);
    EXPECT_TRUE(QByteArray(buf).contains("4294967295")) << buf;

    // Exactly enough room works; one byte less is refused and leaves the buffer alone.
    const QByteArray busy = RasErrorText(ERROR_LINE_BUSY);
    std::vector<char> exact(size_t(busy.size()) + 1, 'z');
    EXPECT_EQ(api.RasGetErrorStringA(ERROR_LINE_BUSY, exact.data(), DWORD(exact.size())), 0u);
    EXPECT_EQ(QByteArray(exact.data()), busy);
    std::vector<char> tight(size_t(busy.size()), 'z');
    EXPECT_EQ(api.RasGetErrorStringA(ERROR_LINE_BUSY, tight.data(), DWORD(tight.size())), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(tight[0], 'z');
}

TEST(RasApi, ConnectStatusAndHangUp)
{
    FakeRasService fake;
    RasApi api(fake);
    const HRASCONN h = fake.addConnection(QStringLiteral("A"), QStringLiteral("10.0.0.1"), QStringLiteral("modem"),
                                          QStringLiteral("Dev"));
    RASCONNSTATUSA st{};
    st.dwSize = sizeof st;
    ASSERT_EQ(api.RasGetConnectStatusA(h, &st), 0u);
    EXPECT_EQ(st.rasconnstate, RASCS_Connected);
    EXPECT_STREQ(st.szDeviceName, "Dev");

    EXPECT_EQ(api.RasHangUpA(h), 0u);
    EXPECT_EQ(api.RasGetConnectStatusA(h, &st), ERROR_INVALID_HANDLE);
    EXPECT_EQ(api.RasHangUpA(h), ERROR_INVALID_HANDLE);
    EXPECT_EQ(api.RasHangUpA(0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(api.RasGetConnectStatusA(0, &st), ERROR_INVALID_HANDLE);
}

TEST(RasApi, NotificationsRunOnTheDiallingThreadInOrder)
{
    for (const auto delivery : {FakeRasService::Delivery::Synchronous, FakeRasService::Delivery::Thread}) {
        SCOPED_TRACE(int(delivery));
        FakeRasService fake;
        fake.addEntry(QStringLiteral("A"));
        fake.queueDialAnswer(FakeRasService::connectAnswer(QStringLiteral("10.0.0.9"), delivery));
        RasApi api(fake);
        QList<Note> notes;
        RASDIALPARAMSA p = paramsFor("A");
        HRASCONN conn = 0;
        ASSERT_EQ(api.RasDialA(
                      nullptr, nullptr, &p, 0,
                      [&notes](unsigned m, RASCONNSTATE s, DWORD e) {
                          notes.append({m, s, e, QThread::currentThread()});
                      },
                      &conn),
                  0u);
        EXPECT_NE(conn, 0u);
        // Never from inside RasDialA, even when the service reports at once.
        EXPECT_TRUE(notes.isEmpty());
        ASSERT_TRUE(waitFor([&] { return notes.size() == FakeRasService::connectSteps().size(); }));
        for (qsizetype i = 0; i < notes.size(); ++i) {
            EXPECT_EQ(notes[i].state, FakeRasService::connectSteps()[i].state);
            EXPECT_EQ(notes[i].error, 0u);
            EXPECT_EQ(notes[i].message, WM_RASDIALEVENT);
            EXPECT_EQ(notes[i].thread, QThread::currentThread());
        }
        fake.joinThreads();
    }
}

TEST(RasApi, NotificationsFromManyThreadsKeepTheirOrder)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    FakeRasService::DialAnswer manual = FakeRasService::connectAnswer();
    manual.delivery = FakeRasService::Delivery::Manual;
    fake.queueDialAnswer(manual);
    RasApi api(fake);
    QList<Note> notes;
    RASDIALPARAMSA p = paramsFor("A");
    HRASCONN conn = 0;
    ASSERT_EQ(api.RasDialA(
                  nullptr, nullptr, &p, 0,
                  [&notes](unsigned m, RASCONNSTATE s, DWORD e) {
                      notes.append({m, s, e, QThread::currentThread()});
                  },
                  &conn),
              0u);
    // Each step from a different thread, one after another.
    for (int i = 0; i < FakeRasService::connectSteps().size(); ++i) {
        std::thread t([&fake] { fake.deliver(); });
        t.join();
    }
    ASSERT_TRUE(waitFor([&] { return notes.size() == FakeRasService::connectSteps().size(); }));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].state, FakeRasService::connectSteps()[i].state);
        EXPECT_EQ(notes[i].thread, QThread::currentThread());
    }
}

TEST(RasApi, NothingAfterTheLastNotificationAndNothingAfterRasApiIsGone)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    fake.queueDialAnswer(FakeRasService::failAnswer(RASCS_ConnectDevice, ERROR_LINE_BUSY));
    FakeRasService::DialAnswer manual = FakeRasService::connectAnswer();
    manual.delivery = FakeRasService::Delivery::Manual;
    fake.queueDialAnswer(manual);
    QList<Note> notes;
    const auto record = [&notes](unsigned m, RASCONNSTATE s, DWORD e) {
        notes.append({m, s, e, QThread::currentThread()});
    };
    {
        RasApi api(fake);
        RASDIALPARAMSA p = paramsFor("A");
        HRASCONN conn = 0;
        ASSERT_EQ(api.RasDialA(nullptr, nullptr, &p, 0, record, &conn), 0u);
        ASSERT_TRUE(waitFor([&] { return !notes.isEmpty() && notes.last().error != 0; }));
        EXPECT_EQ(notes.last().state, RASCS_ConnectDevice);
        EXPECT_EQ(notes.last().error, ERROR_LINE_BUSY);
        const qsizetype n = notes.size();
        // A service that keeps talking after the failure is not heard.
        fake.deliverExtra(RASCS_Connected, 0);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(notes.size(), n);

        notes.clear();
        ASSERT_EQ(api.RasDialA(nullptr, nullptr, &p, 0, record, &conn), 0u);
        fake.deliver(); // queued, not yet run
    }
    // RasApi is gone: what was queued and what comes later is dropped, safely.
    fake.deliverAll();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(notes.isEmpty());
}

TEST(RasApi, FailedStartReturnsTheServiceCodeAndNoNotification)
{
    FakeRasService fake;
    fake.addEntry(QStringLiteral("A"));
    FakeRasService::DialAnswer fail;
    fail.startError = ERROR_PORT_NOT_AVAILABLE;
    fake.queueDialAnswer(fail);
    RasApi api(fake);
    bool called = false;
    RASDIALPARAMSA p = paramsFor("A");
    HRASCONN conn = 1234;
    EXPECT_EQ(api.RasDialA(
                  nullptr, nullptr, &p, 0, [&called](unsigned, RASCONNSTATE, DWORD) { called = true; }, &conn),
              ERROR_PORT_NOT_AVAILABLE);
    EXPECT_EQ(conn, 0u);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);

    RASDIALPARAMSA empty = paramsFor("");
    EXPECT_EQ(api.RasDialA(
                  nullptr, nullptr, &empty, 0, [](unsigned, RASCONNSTATE, DWORD) {}, &conn),
              ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}
