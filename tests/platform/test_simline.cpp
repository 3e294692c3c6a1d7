// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated line: phonebook reading, dials through the state sequence on a
// worker thread, hang-up, and the state file shared with other processes
// (vantrel-line run as a real subprocess).
#include "monitor/probe.h"
#include "platform/ras/ras.h"
#include "platform/ras/simline/simline.h"
#include "support/testenv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSet>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

#ifndef VANTREL_LINE_BINARY
#error "VANTREL_LINE_BINARY must name the built vantrel-line"
#endif

namespace {

template <typename F>
bool waitFor(F done, int ms = 15000)
{
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    return done();
}

struct Note {
    RASCONNSTATE state;
    DWORD error;
    bool onCallerThread;
};

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    ASSERT_TRUE(f.commit());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct ToolResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolResult runTool(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VANTREL_LINE_BINARY), args);
    ToolResult r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class SimLineTest : public ::testing::Test {
protected:
    test::ScopedHome home;
    QStringList reports;

    QString configDir() const { return home.configDir() + QStringLiteral("/vantrel"); }
    QString runtimeDir() const { return home.path() + QStringLiteral("/runtime/vantrel"); }
    QString phonebookPath() const { return configDir() + QStringLiteral("/phonebook.ini"); }
    // The state folder as the line makes it: the user's alone.
    void makeRuntimeDir() const
    {
        QDir().mkpath(runtimeDir());
        QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void writePhonebook(const QByteArray &text) { writeFile(phonebookPath(), text); }

    std::unique_ptr<SimLine> makeLine(double speed = 0)
    {
        SimLine::Options o;
        o.configDir = configDir();
        o.runtimeDir = runtimeDir();
        o.speed = speed;
        o.report = [this](const QString &t) { reports.append(t); };
        return std::make_unique<SimLine>(o);
    }

    // Dials and returns every notification up to the last one.
    static QList<Note> dialToEnd(RasApi &api, const char *entry, HRASCONN *handle = nullptr)
    {
        QList<Note> notes;
        QThread *caller = QThread::currentThread();
        RASDIALPARAMSA p;
        std::memset(&p, 0, sizeof p);
        p.dwSize = sizeof p;
        std::strncpy(p.szEntryName, entry, RAS_MaxEntryName);
        HRASCONN h = 0;
        const DWORD rc = api.RasDialA(
            nullptr, nullptr, &p, 0,
            [&notes, caller](unsigned, RASCONNSTATE s, DWORD e) {
                notes.append({s, e, QThread::currentThread() == caller});
            },
            &h);
        EXPECT_EQ(rc, 0u);
        if (rc != 0)
            return notes;
        EXPECT_TRUE(waitFor(
            [&] { return !notes.isEmpty() && (notes.last().error != 0 || notes.last().state == RASCS_Connected); }));
        if (handle)
            *handle = h;
        return notes;
    }

    static QList<RASCONNA> enumConnections(RasApi &api, DWORD *rc = nullptr)
    {
        std::vector<RASCONNA> conns(100);
        conns[0].dwSize = sizeof(RASCONNA);
        DWORD cb = DWORD(conns.size() * sizeof(RASCONNA)), count = 0;
        const DWORD r = api.RasEnumConnectionsA(conns.data(), &cb, &count);
        if (rc)
            *rc = r;
        QList<RASCONNA> out;
        for (DWORD i = 0; r == 0 && i < count; ++i)
            out.append(conns[i]);
        return out;
    }

    static DWORD projection(RasApi &api, HRASCONN h, QString *address)
    {
        RASPPPIPA ip{};
        ip.dwSize = sizeof ip;
        DWORD cb = sizeof ip;
        const DWORD rc = api.RasGetProjectionInfoA(h, RASP_PppIp, &ip, &cb);
        if (rc == 0)
            *address = QString::fromLatin1(ip.szIpAddress);
        return rc;
    }

    static DWORD status(RasApi &api, HRASCONN h, RASCONNSTATUSA *st)
    {
        std::memset(st, 0, sizeof *st);
        st->dwSize = sizeof *st;
        return api.RasGetConnectStatusA(h, st);
    }
};

} // namespace

TEST(SimAnswers, Parse)
{
    struct Case {
        const char *text;
        bool ok;
        QList<SimAnswer::Kind> kinds;
        double firstSeconds;
        const char *firstAddress;
    };
    using K = SimAnswer::Kind;
    const Case cases[] = {
        {"connect", true, {K::Connect}, -1, ""},
        {"connect 2.5 10.64.3.17", true, {K::Connect}, 2.5, "10.64.3.17"},
        {"Connect 10.1.1.1", true, {K::Connect}, -1, "10.1.1.1"},
        {"connect 0", true, {K::Connect}, 0, ""},
        {"busy", true, {K::Busy}, -1, ""},
        {"noanswer 5", true, {K::NoAnswer}, 5, ""},
        {"authfail", true, {K::AuthFail}, -1, ""},
        {"busy, busy ,connect 4 10.64.7.42", true, {K::Busy, K::Busy, K::Connect}, -1, ""},
        {"", false, {}, 0, ""},
        {"busy,,connect", false, {}, 0, ""},
        {"ring", false, {}, 0, ""},
        {"connect soon", false, {}, 0, ""},
        {"connect 2 300.1.1.1", false, {}, 0, ""},
        {"connect 2 10.1.1.01", false, {}, 0, ""},
        {"connect 2 10.1.1.1 extra", false, {}, 0, ""},
        {"connect -1", false, {}, 0, ""},
        {"connect 99999", false, {}, 0, ""},
        {"connect nan", false, {}, 0, ""},
        {"busy 10.1.1.1", false, {}, 0, ""},
        {"no answer", false, {}, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        QList<SimAnswer> answers;
        QString why;
        ASSERT_EQ(ParseAnswers(QString::fromUtf8(c.text), &answers, &why), c.ok) << why.toStdString();
        if (!c.ok) {
            EXPECT_FALSE(why.isEmpty());
            continue;
        }
        ASSERT_EQ(answers.size(), c.kinds.size());
        for (qsizetype i = 0; i < answers.size(); ++i)
            EXPECT_EQ(answers[i].kind, c.kinds[i]);
        EXPECT_EQ(answers[0].seconds, c.firstSeconds);
        EXPECT_EQ(answers[0].address, QString::fromUtf8(c.firstAddress));
    }
}

TEST(SimPhonebook, KeepsFileOrderAndTheFields)
{
    const Phonebook book = ParsePhonebook("\xEF\xBB\xBF; comment\r\n"
                                          "[Zeta]\r\n"
                                          "UserName = zed \r\n"
                                          "Password=\r\n"
                                          "[alpha]\n"
                                          "username=al\n"
                                          "Answer=busy, connect 1 10.2.3.4\n"
                                          "Device=Pool Modem\n"
                                          "# another comment\n"
                                          "[Mid Entry]\n");
    EXPECT_TRUE(book.problems.isEmpty()) << book.problems.join('\n').toStdString();
    ASSERT_EQ(book.entries.size(), 3);
    EXPECT_EQ(book.entries[0].name, QStringLiteral("Zeta"));
    EXPECT_EQ(book.entries[0].userName, QStringLiteral("zed"));
    EXPECT_TRUE(book.entries[0].passwordSaved); // an empty saved password
    EXPECT_EQ(book.entries[0].password, QString());
    EXPECT_EQ(book.entries[1].name, QStringLiteral("alpha"));
    EXPECT_EQ(book.entries[1].answers.size(), 2);
    EXPECT_EQ(book.entries[1].device, QStringLiteral("Pool Modem"));
    EXPECT_FALSE(book.entries[1].passwordSaved);
    EXPECT_EQ(book.entries[2].name, QStringLiteral("Mid Entry"));
    EXPECT_EQ(book.entries[2].answers.first().kind, SimAnswer::Kind::Connect);
    EXPECT_EQ(book.find(QStringLiteral("MID ENTRY")), &book.entries[2]);
}

TEST(SimPhonebook, DamagedLinesAreSkippedAndNamedByLine)
{
    struct Case {
        QByteArray text;
        QStringList entries; // what survives, in order
        QString problem;     // expected start of the only problem
    };
    const QByteArray longName(300, 'n');
    const std::vector<Case> cases = {
        {"[A]\nthis is not a line\nUserName=u\n", {"A"}, "line 2: expected"},
        {"UserName=u\n[A]\n", {"A"}, "line 1: a value before the first [entry]"},
        {"[A]\nPhone=123\n", {"A"}, "line 2: unknown key \"Phone\""},
        {"[A]\n[a]\nUserName=x\n[B]\n", {"A", "B"}, "line 2: entry \"a\" appears twice"},
        {"[A]\nAnswer=ring twice\n", {"A"}, "line 2: Answer: "},
        {"[A]\nUserName=\xff\xfe\n", {"A"}, "line 2: not valid UTF-8"},
        {"[A\nUserName=x\n[B]\n", {"B"}, "line 1: an entry header must end"},
        {"[]\n[B]\n", {"B"}, "line 1: the entry has no name"},
        {"[" + longName + "]\n[B]\n", {"B"}, "line 1: the entry name is longer than 256 bytes"},
        {"[A]\nUserName=a\nUserName=b\n", {"A"}, "line 3: UserName is given twice"},
        {"[A]\nPassword=" + QByteArray(300, 'p') + "\n", {"A"}, "line 2: Password is longer than 256"},
        {"[A]\n=value\n", {"A"}, "line 2: expected"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.left(60).toStdString());
        const Phonebook book = ParsePhonebook(c.text);
        QStringList names;
        for (const PhonebookEntry &e : book.entries)
            names.append(e.name);
        EXPECT_EQ(names, c.entries);
        ASSERT_EQ(book.problems.size(), 1) << book.problems.join('\n').toStdString();
        EXPECT_TRUE(book.problems.first().startsWith(c.problem)) << book.problems.first().toStdString();
    }
    // The later duplicate UserName did not win, and a bad Answer leaves the entry connecting.
    EXPECT_EQ(ParsePhonebook("[A]\nUserName=a\nUserName=b\n").entries[0].userName, QStringLiteral("a"));
    EXPECT_EQ(ParsePhonebook("[A]\nAnswer=ring\n").entries[0].answers[0].kind, SimAnswer::Kind::Connect);
}

TEST_F(SimLineTest, DefaultFoldersFollowTheEnvironment)
{
    EXPECT_EQ(SimLine::defaultConfigDir(), configDir());
    EXPECT_EQ(SimLine::defaultRuntimeDir(), runtimeDir());
    // A runtime folder that others may write in is passed over, as the
    // single-instance socket passes it over.
    const QString runtime = home.path() + QStringLiteral("/runtime");
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0777), 0);
    EXPECT_FALSE(SimLine::defaultRuntimeDir().startsWith(runtime)) << SimLine::defaultRuntimeDir().toStdString();
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);

    for (const auto &[value, speed] :
         std::vector<std::pair<const char *, double>>{{"0", 0}, {"12.5", 12.5}, {"abc", 1}, {"-2", 1}, {"", 1}}) {
        qputenv("VANTREL_SIMLINE_SPEED", value);
        EXPECT_EQ(SimLine::speedFromEnvironment(), speed) << value;
    }
    qunsetenv("VANTREL_SIMLINE_SPEED");
}

TEST_F(SimLineTest, SampleIsWrittenOnFirstUseAndNeverByADial)
{
    ASSERT_FALSE(QFile::exists(phonebookPath()));
    auto line = makeLine();
    RasApi api(*line);
    QList<QString> names;
    ASSERT_EQ(line->listEntries(&names), 0u);
    EXPECT_EQ(names, (QList<QString>{"Morvent Online", "Night Line", "Campus Modem"}));
    EXPECT_TRUE(reports.isEmpty()) << reports.join('\n').toStdString();

    const QByteArray before = readFile(phonebookPath());
    const QDateTime mtime = QFileInfo(phonebookPath()).lastModified();
    const QList<Note> notes = dialToEnd(api, "Morvent Online");
    ASSERT_FALSE(notes.isEmpty());
    EXPECT_EQ(notes.last().state, RASCS_Connected);
    dialToEnd(api, "Campus Modem");
    EXPECT_EQ(readFile(phonebookPath()), before);
    EXPECT_EQ(QFileInfo(phonebookPath()).lastModified(), mtime);

    // A phonebook that exists is never replaced by the sample.
    writePhonebook("[Mine]\n");
    ASSERT_EQ(line->listEntries(&names), 0u);
    EXPECT_EQ(names, QList<QString>{"Mine"});
}

TEST_F(SimLineTest, DamageIsReportedOncePerVersionOfTheFile)
{
    writePhonebook("[A]\nbroken\n");
    auto line = makeLine();
    QList<QString> names;
    ASSERT_EQ(line->listEntries(&names), 0u);
    ASSERT_EQ(line->listEntries(&names), 0u);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("line 2:"))) << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(phonebookPath()));

    writePhonebook("[A]\n[B]\nstill broken here\n");
    ASSERT_EQ(line->listEntries(&names), 0u);
    EXPECT_EQ(names, (QList<QString>{"A", "B"}));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports[1].contains(QStringLiteral("line 3:")));
}

TEST_F(SimLineTest, TheReportMayCallTheServiceAgain)
{
    // As a message box's own event loop would, while the report is being shown.
    writePhonebook("[A]\nbroken\n");
    SimLine::Options o;
    o.configDir = configDir();
    o.runtimeDir = runtimeDir();
    o.speed = 0;
    SimLine *self = nullptr;
    QList<QString> inside;
    o.report = [&](const QString &) { self->listEntries(&inside); };
    SimLine line(o);
    self = &line;
    QList<QString> names;
    ASSERT_EQ(line.listEntries(&names), 0u);
    EXPECT_EQ(inside, QList<QString>{"A"});
}

TEST_F(SimLineTest, UnreadablePhonebookIsAnErrorNotACrash)
{
    QDir().mkpath(phonebookPath()); // a folder where the file should be
    auto line = makeLine();
    RasApi api(*line);
    RASENTRYNAMEA names[1]{};
    names[0].dwSize = sizeof names[0];
    DWORD cb = sizeof names, count = 3;
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names, &cb, &count), ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names, &cb, &count), ERROR_CANNOT_OPEN_PHONEBOOK);
    EXPECT_EQ(reports.size(), 1); // said once, not at every call
}

TEST_F(SimLineTest, MoreThanAHundredEntries)
{
    QByteArray text;
    for (int i = 0; i < 130; ++i)
        text += "[Entry " + QByteArray::number(129 - i) + "]\nAnswer=busy\n";
    writePhonebook(text);
    auto line = makeLine();
    RasApi api(*line);
    std::vector<RASENTRYNAMEA> names(100);
    names[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD cb = 26400, count = 0;
    EXPECT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(count, 130u);
    EXPECT_EQ(cb, 130u * 264u);
    names.resize(count);
    ASSERT_EQ(api.RasEnumEntriesA(nullptr, nullptr, names.data(), &cb, &count), 0u);
    EXPECT_STREQ(names[0].szEntryName, "Entry 129");
    EXPECT_STREQ(names[129].szEntryName, "Entry 0");
}

TEST_F(SimLineTest, DialConnectsThroughTheStatesInOrderOnTheCallersThread)
{
    writePhonebook("[Office]\nUserName=u\nPassword=p\nAnswer=connect 1 10.64.3.17\nDevice=Desk Modem\n");
    // Real waits between the states, a hundred times shorter than on a real line.
    auto line = makeLine(100);
    RasApi api(*line);
    HRASCONN h = 0;
    const QList<Note> notes = dialToEnd(api, "office", &h);
    const QList<RASCONNSTATE> expected = {
        RASCS_OpenPort,     RASCS_PortOpened, RASCS_ConnectDevice, RASCS_DeviceConnected, RASCS_AllDevicesConnected,
        RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,   RASCS_Authenticated,   RASCS_Connected};
    ASSERT_EQ(notes.size(), expected.size());
    for (qsizetype i = 0; i < notes.size(); ++i) {
        EXPECT_EQ(notes[i].state, expected[i]) << i;
        EXPECT_EQ(notes[i].error, 0u);
        EXPECT_TRUE(notes[i].onCallerThread) << i;
    }

    const QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 1);
    EXPECT_EQ(conns[0].hrasconn, h);
    EXPECT_STREQ(conns[0].szEntryName, "Office"); // the phonebook's spelling
    EXPECT_STREQ(conns[0].szDeviceName, "Desk Modem");
    QString address;
    ASSERT_EQ(projection(api, h, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("10.64.3.17"));
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("10.64.3.17"));
    RASCONNSTATUSA st;
    ASSERT_EQ(status(api, h, &st), 0u);
    EXPECT_EQ(st.rasconnstate, RASCS_Connected);

    // One line per entry: a second dial of a connected entry is refused.
    RASDIALPARAMSA p{};
    p.dwSize = sizeof p;
    std::strcpy(p.szEntryName, "Office");
    HRASCONN again = 0;
    EXPECT_EQ(api.RasDialA(
                  nullptr, nullptr, &p, 0, [](unsigned, RASCONNSTATE, DWORD) {}, &again),
              ERROR_PORT_ALREADY_OPEN);

    EXPECT_EQ(api.RasHangUpA(h), 0u);
    EXPECT_EQ(status(api, h, &st), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(enumConnections(api).isEmpty());
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("Network is down"));
}

TEST_F(SimLineTest, FailingAnswersStopWithTheirCodeAtTheirState)
{
    writePhonebook("[Busy]\nAnswer=busy\n[Silent]\nAnswer=noanswer\n[Refused]\nAnswer=authfail\n");
    auto line = makeLine();
    RasApi api(*line);
    struct Case {
        const char *entry;
        RASCONNSTATE state;
        DWORD error;
        qsizetype notes;
    };
    for (const Case &c :
         {Case{"Busy", RASCS_ConnectDevice, ERROR_LINE_BUSY, 4}, Case{"Silent", RASCS_ConnectDevice, ERROR_NO_ANSWER, 4},
          Case{"Refused", RASCS_Authenticate, ERROR_AUTHENTICATION_FAILURE, 7}}) {
        SCOPED_TRACE(c.entry);
        HRASCONN h = 0;
        const QList<Note> notes = dialToEnd(api, c.entry, &h);
        ASSERT_EQ(notes.size(), c.notes);
        EXPECT_EQ(notes.last().state, c.state);
        EXPECT_EQ(notes.last().error, c.error);
        for (qsizetype i = 0; i + 1 < notes.size(); ++i)
            EXPECT_EQ(notes[i].error, 0u);
        EXPECT_TRUE(enumConnections(api).isEmpty());
        // The failed port keeps its error until it is hung up, then it is gone.
        RASCONNSTATUSA st;
        ASSERT_EQ(status(api, h, &st), 0u);
        EXPECT_EQ(st.dwError, c.error);
        EXPECT_EQ(api.RasHangUpA(h), 0u);
        EXPECT_EQ(status(api, h, &st), ERROR_INVALID_HANDLE);
    }
}

TEST_F(SimLineTest, SuccessiveAttemptsTakeTheAnswersInTurn)
{
    writePhonebook("[Night]\nAnswer=busy, noanswer 0, connect 0 10.9.9.9\n");
    auto line = makeLine();
    RasApi api(*line);
    const QList<DWORD> expected = {ERROR_LINE_BUSY, ERROR_NO_ANSWER, 0, 0};
    for (const DWORD want : expected) {
        HRASCONN h = 0;
        const QList<Note> notes = dialToEnd(api, "Night", &h);
        ASSERT_FALSE(notes.isEmpty());
        EXPECT_EQ(notes.last().error, want);
        api.RasHangUpA(h);
    }
    // A changed Answer starts the count again.
    writePhonebook("[Night]\nAnswer=authfail, busy\n");
    HRASCONN h = 0;
    EXPECT_EQ(dialToEnd(api, "Night", &h).last().error, ERROR_AUTHENTICATION_FAILURE);
}

TEST_F(SimLineTest, HangUpMidDialEndsTheWaitWithUserDisconnection)
{
    writePhonebook("[Slow]\nAnswer=connect 3600\n");
    auto line = makeLine(1);
    RasApi api(*line);
    QList<Note> notes;
    RASDIALPARAMSA p{};
    p.dwSize = sizeof p;
    std::strcpy(p.szEntryName, "Slow");
    HRASCONN h = 0;
    ASSERT_EQ(api.RasDialA(
                  nullptr, nullptr, &p, 0,
                  [&notes](unsigned, RASCONNSTATE s, DWORD e) {
                      notes.append({s, e, true});
                  },
                  &h),
              0u);
    ASSERT_TRUE(waitFor([&] { return !notes.isEmpty(); }));
    EXPECT_EQ(notes[0].state, RASCS_OpenPort);

    // Being dialled: listed, but without an address yet.
    const QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 1);
    QString address;
    EXPECT_EQ(projection(api, h, &address), ERROR_PROJECTION_NOT_COMPLETE);
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("Network is down"));
    RASCONNSTATUSA st;
    ASSERT_EQ(status(api, h, &st), 0u);
    EXPECT_EQ(st.rasconnstate, RASCS_OpenPort);

    EXPECT_EQ(api.RasHangUpA(h), 0u);
    EXPECT_EQ(status(api, h, &st), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(enumConnections(api).isEmpty());
    ASSERT_TRUE(waitFor([&] { return notes.last().error != 0; }));
    EXPECT_EQ(notes.last().error, ERROR_USER_DISCONNECTION);
    EXPECT_EQ(notes.size(), 2);
}

TEST_F(SimLineTest, DestroyingTheLineMidDialLeavesNoConnectionBehind)
{
    writePhonebook("[Slow]\nAnswer=connect 3600\n");
    {
        auto line = makeLine(1);
        RasApi api(*line);
        RASDIALPARAMSA p{};
        p.dwSize = sizeof p;
        std::strcpy(p.szEntryName, "Slow");
        HRASCONN h = 0;
        ASSERT_EQ(api.RasDialA(
                      nullptr, nullptr, &p, 0, [](unsigned, RASCONNSTATE, DWORD) {}, &h),
                  0u);
        EXPECT_EQ(enumConnections(api).size(), 1);
    }
    auto line = makeLine();
    RasApi api(*line);
    EXPECT_TRUE(enumConnections(api).isEmpty());
}

TEST_F(SimLineTest, ConnectionsMadeAndDroppedByAnotherProcess)
{
    writePhonebook("[Office]\nAnswer=connect 1 10.64.3.17\n");
    auto line = makeLine();
    RasApi api(*line);
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("Network is down"));

    ToolResult r = runTool({QStringLiteral("up"), QStringLiteral("Far Away"), QStringLiteral("10.77.0.5")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Far Away"))) << r.out.toStdString();

    QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 1);
    EXPECT_STREQ(conns[0].szEntryName, "Far Away");
    QString address;
    ASSERT_EQ(projection(api, conns[0].hrasconn, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("10.77.0.5"));

    // A second line: the first one listed is the one the probe takes.
    r = runTool({QStringLiteral("up"), QStringLiteral("office")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 2);
    EXPECT_STREQ(conns[1].szEntryName, "Office");
    ASSERT_EQ(projection(api, conns[1].hrasconn, &address), 0u);
    EXPECT_EQ(address, QStringLiteral("10.64.3.17")); // the entry's own address
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("10.77.0.5"));

    r = runTool({QStringLiteral("list")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("10.77.0.5")) && r.out.contains(QStringLiteral("Office")));

    const HRASCONN far = conns[0].hrasconn;
    r = runTool({QStringLiteral("down"), QStringLiteral("far away")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    RASCONNSTATUSA st;
    EXPECT_EQ(status(api, far, &st), ERROR_INVALID_HANDLE);
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("10.64.3.17"));

    // By handle, then nothing left to drop.
    r = runTool({QStringLiteral("down"), QStringLiteral("0x%1").arg(conns[1].hrasconn, 0, 16)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("Network is down"));
    r = runTool({QStringLiteral("down"), QStringLiteral("Office")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.err.isEmpty());
}

TEST_F(SimLineTest, ToolRefusesBadUsageClearly)
{
    const std::vector<QStringList> bad = {
        {},
        {QStringLiteral("fly")},
        {QStringLiteral("up")},
        {QStringLiteral("up"), QStringLiteral("A"), QStringLiteral("10.0.0.256")},
        {QStringLiteral("up"), QStringLiteral("A"), QStringLiteral("1.2.3.4"), QStringLiteral("x")},
        {QStringLiteral("down")},
        {QStringLiteral("list"), QStringLiteral("extra")},
    };
    for (const QStringList &args : bad) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ToolResult r = runTool(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: vantrel-line"))) << r.err.toStdString();
    }
    const ToolResult entries = runTool({QStringLiteral("entries")});
    EXPECT_EQ(entries.exitCode, 0);
    EXPECT_TRUE(entries.out.contains(QStringLiteral("Morvent Online")));
    // Nothing was brought up by any of that.
    auto line = makeLine();
    QList<RasLiveConnection> list;
    ASSERT_EQ(line->connections(&list), 0u);
    EXPECT_TRUE(list.isEmpty());
}

TEST_F(SimLineTest, ALineDroppedFromOutsideMidDialEndsTheDial)
{
    writePhonebook("[Slow]\nAnswer=connect 3600\n");
    auto line = makeLine(1);
    RasApi api(*line);
    QList<Note> notes;
    RASDIALPARAMSA p{};
    p.dwSize = sizeof p;
    std::strcpy(p.szEntryName, "Slow");
    HRASCONN h = 0;
    ASSERT_EQ(api.RasDialA(
                  nullptr, nullptr, &p, 0,
                  [&notes](unsigned, RASCONNSTATE s, DWORD e) {
                      notes.append({s, e, true});
                  },
                  &h),
              0u);
    ASSERT_TRUE(waitFor([&] { return !notes.isEmpty(); }));
    const ToolResult r = runTool({QStringLiteral("down"), QStringLiteral("Slow")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_TRUE(waitFor([&] { return notes.last().error != 0; }));
    EXPECT_EQ(notes.last().error, ERROR_PORT_DISCONNECTED);
}

TEST_F(SimLineTest, AnotherInstanceSeesChangesAtOnce)
{
    writePhonebook("[A]\nAnswer=connect 0 10.1.0.1\n[B]\nAnswer=connect 0 10.1.0.2\n");
    auto first = makeLine();
    auto second = makeLine();
    RasApi api1(*first), api2(*second);
    for (int round = 0; round < 20; ++round) {
        HRASCONN a = 0, b = 0;
        dialToEnd(api1, "A", &a);
        ASSERT_EQ(ProbeRasAddress(api2), QStringLiteral("10.1.0.1"));
        dialToEnd(api2, "B", &b);
        ASSERT_EQ(enumConnections(api1).size(), 2);
        ASSERT_EQ(api2.RasHangUpA(a), 0u); // any process may hang a line up
        ASSERT_EQ(ProbeRasAddress(api1), QStringLiteral("10.1.0.2"));
        ASSERT_EQ(api1.RasHangUpA(b), 0u);
        ASSERT_EQ(ProbeRasAddress(api2), QStringLiteral("Network is down"));
    }
}

TEST_F(SimLineTest, DialsOfProcessesThatDiedAreIgnoredAndPruned)
{
    LineState state(runtimeDir());
    ASSERT_TRUE(state.update([&](QList<LineRecord> &records, HRASCONN &next) {
        LineRecord dialling;
        dialling.connection = {LineState::takeHandle(records, next), QStringLiteral("Ghost"), QStringLiteral("modem"),
                               QStringLiteral("m"), QString()};
        dialling.ownerPid = 2000000000; // above any pid_max: no such process
        records.append(dialling);
        LineRecord up;
        up.connection = {LineState::takeHandle(records, next), QStringLiteral("Kept"), QStringLiteral("modem"),
                         QStringLiteral("m"), QStringLiteral("10.3.3.3")};
        records.append(up);
        return true;
    }));
    auto line = makeLine();
    RasApi api(*line);
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("10.3.3.3"));
    EXPECT_EQ(enumConnections(api).size(), 1);
    // The next write removes the dead dial from the file itself.
    ASSERT_TRUE(state.update([](QList<LineRecord> &, HRASCONN &) { return false; }));
    EXPECT_FALSE(readFile(state.path()).contains("Ghost"));
    EXPECT_TRUE(readFile(state.path()).contains("Kept"));
}

TEST_F(SimLineTest, StateFileSurvivesDamage)
{
    makeRuntimeDir();
    writeFile(runtimeDir() + QStringLiteral("/lines"),
              "next 50\nline 7 0 Good modem m 10.5.5.5\nline x y\nline 0 0 Zero modem m 1.1.1.1\n"
              "garbage \xff\xfe\nline 7 0 Dup modem m 10.6.6.6\n");
    auto line = makeLine();
    RasApi api(*line);
    const QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 1);
    EXPECT_EQ(conns[0].hrasconn, 7u);
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("10.5.5.5"));
    // A new connection gets a fresh handle from the counter.
    const ToolResult r = runTool({QStringLiteral("up"), QStringLiteral("Next")});
    ASSERT_EQ(r.exitCode, 0);
    const QList<RASCONNA> after = enumConnections(api);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after[1].hrasconn, 50u);
}

TEST_F(SimLineTest, ProcessesWorkingAtOnceNeverCorruptTheState)
{
    QByteArray book;
    for (int i = 0; i < 3; ++i)
        book += "[Local " + QByteArray::number(i) + "]\nAnswer=connect 0 10.2.0." + QByteArray::number(i + 1) + "\n";
    writePhonebook(book);
    auto line = makeLine();
    RasApi api(*line);

    constexpr int kProcs = 8;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (int i = 0; i < kProcs; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(VANTREL_LINE_BINARY),
                 {QStringLiteral("up"), QStringLiteral("Remote %1").arg(i), QStringLiteral("10.8.0.%1").arg(i + 1)});
        procs.push_back(std::move(p));
    }
    // Meanwhile this process dials, lists and hangs up.
    QList<HRASCONN> mine;
    for (int i = 0; i < 3; ++i) {
        HRASCONN h = 0;
        ASSERT_EQ(dialToEnd(api, QStringLiteral("Local %1").arg(i).toUtf8().constData(), &h).last().error, 0u);
        mine.append(h);
        enumConnections(api);
    }
    for (auto &p : procs) {
        // Already finished ones were reaped while events were processed above.
        ASSERT_TRUE(p->state() == QProcess::NotRunning || p->waitForFinished(30000));
        ASSERT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), kProcs + 3);
    QSet<HRASCONN> handles;
    QSet<QString> names;
    for (const RASCONNA &c : conns) {
        handles.insert(c.hrasconn);
        names.insert(QString::fromUtf8(c.szEntryName));
    }
    EXPECT_EQ(handles.size(), kProcs + 3);
    for (int i = 0; i < kProcs; ++i)
        EXPECT_TRUE(names.contains(QStringLiteral("Remote %1").arg(i)));

    // And down again, all at once, while this process hangs up its own.
    procs.clear();
    for (int i = 0; i < kProcs; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(VANTREL_LINE_BINARY), {QStringLiteral("down"), QStringLiteral("Remote %1").arg(i)});
        procs.push_back(std::move(p));
    }
    for (const HRASCONN h : mine)
        EXPECT_EQ(api.RasHangUpA(h), 0u);
    for (auto &p : procs) {
        // Already finished ones were reaped while events were processed above.
        ASSERT_TRUE(p->state() == QProcess::NotRunning || p->waitForFinished(30000));
        ASSERT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    EXPECT_TRUE(enumConnections(api).isEmpty());
    EXPECT_EQ(ProbeRasAddress(api), QStringLiteral("Network is down"));
}

TEST(LineStateFile, EveryTextReadsBackAsItself)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("-"),
        QStringLiteral("--"),
        QStringLiteral("%2D"),
        QStringLiteral("a b\tc\nd"),
        QStringLiteral("B\u00fcro \u0414 \U0001F4DE"),
        QStringLiteral("line 1 2 x y z w"),
    };
    QList<LineRecord> records;
    HRASCONN handle = 1;
    for (const QString &t : texts) {
        LineRecord r;
        r.connection.handle = handle++;
        r.connection.entryName = t;
        r.connection.deviceType = t;
        r.connection.deviceName = t;
        r.connection.address = t;
        records.append(r);
    }
    HRASCONN next = 0;
    const QList<LineRecord> back = LineState::parse(LineState::serialize(records, 99), &next);
    EXPECT_EQ(next, 99u);
    ASSERT_EQ(back.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        EXPECT_EQ(back[i].connection.entryName, records[i].connection.entryName) << i;
        EXPECT_EQ(back[i].connection.deviceType, records[i].connection.deviceType) << i;
        EXPECT_EQ(back[i].connection.deviceName, records[i].connection.deviceName) << i;
        EXPECT_EQ(back[i].connection.address, records[i].connection.address) << i;
    }
}

TEST_F(SimLineTest, AnEntryNamedDashIsListedAndDialled)
{
    writePhonebook("[-]\nAnswer=connect 1 10.64.9.9\n");
    auto line = makeLine();
    RasApi api(*line);
    const QList<Note> notes = dialToEnd(api, "-");
    ASSERT_FALSE(notes.isEmpty());
    EXPECT_EQ(notes.last().state, RASCS_Connected);
    EXPECT_EQ(notes.last().error, 0u);
    const QList<RASCONNA> conns = enumConnections(api);
    ASSERT_EQ(conns.size(), 1);
    EXPECT_STREQ(conns[0].szEntryName, "-");
}

TEST_F(SimLineTest, FifoOrHugeFileInPlaceOfPhonebookOrStateIsRefusedAtOnce)
{
    QDir().mkpath(configDir());
    makeRuntimeDir();
    ASSERT_EQ(::mkfifo(QFile::encodeName(phonebookPath()).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(runtimeDir() + QStringLiteral("/lines")).constData(), 0600), 0);
    auto line = makeLine();
    RasApi api(*line);

    QList<QString> names;
    EXPECT_EQ(line->listEntries(&names), DWORD(ERROR_CANNOT_OPEN_PHONEBOOK));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("not a regular file"))) << reports[0].toStdString();
    DWORD rc = 1;
    EXPECT_TRUE(enumConnections(api, &rc).isEmpty());
    EXPECT_EQ(rc, 0u);
    const ToolResult r = runTool({QStringLiteral("up"), QStringLiteral("Office")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("not a regular file"))) << r.err.toStdString();

    QFile::remove(phonebookPath());
    {
        QFile big(phonebookPath());
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(kMaxPhonebookBytes + 1));
    }
    EXPECT_EQ(line->listEntries(&names), DWORD(ERROR_CANNOT_OPEN_PHONEBOOK));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports[1].contains(QStringLiteral("too large"))) << reports[1].toStdString();
}

TEST_F(SimLineTest, StateFolderThatIsNotPrivateIsNeitherReadNorWritten)
{
    const passwd *nobody = ::getpwnam("nobody");
    struct Case {
        const char *what;
        bool otherUser; // chown needs root
        mode_t mode;
    };
    for (const Case &c : {Case{"open to others", false, 0777}, Case{"another user's", true, 0700}}) {
        if (c.otherUser && (::geteuid() != 0 || !nobody)) {
            std::cout << "[ SKIPPED  ] " << c.what << ": only root can give a folder to another user\n";
            continue;
        }
        QDir(runtimeDir()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(runtimeDir()));
        LineRecord forged;
        forged.connection = {0x500, QStringLiteral("Forged"), QStringLiteral("modem"), QStringLiteral("Simulated Modem"),
                             QStringLiteral("10.9.9.9")};
        const QByteArray state = LineState::serialize({forged}, 0x501);
        writeFile(runtimeDir() + QStringLiteral("/lines"), state);
        const QByteArray dir = QFile::encodeName(runtimeDir());
        ASSERT_EQ(::chmod(dir.constData(), c.mode), 0);
        if (c.otherUser) {
            ASSERT_EQ(::chown(dir.constData(), nobody->pw_uid, nobody->pw_gid), 0);
        }

        reports.clear();
        const std::unique_ptr<SimLine> line = makeLine();
        QList<RasLiveConnection> list;
        EXPECT_EQ(line->connections(&list), ERROR_PORT_NOT_AVAILABLE) << c.what;
        EXPECT_TRUE(list.isEmpty()) << c.what << ": a forged connection was shown";
        HRASCONN handle = 0;
        EXPECT_TRUE(reports.isEmpty()) << c.what << ": the poll's listing tells nothing";
        // Every dial the user asks for is told why, once, with the code the
        // dialer shows no box of its own for.
        for (int dial = 1; dial <= 2; ++dial) {
            EXPECT_EQ(line->dial(QStringLiteral("Morvent Online"), {}, {}, nullptr, &handle), ERROR_LINE_UNUSABLE)
                << c.what;
            ASSERT_EQ(reports.size(), dial) << c.what;
        }
        EXPECT_TRUE(reports[0].contains(runtimeDir()) && reports[0].contains(QStringLiteral("not private")))
            << reports[0].toStdString();
        EXPECT_NE(line->hangUp(0x500), 0u) << c.what;
        EXPECT_EQ(readFile(runtimeDir() + QStringLiteral("/lines")), state) << c.what << ": the file was written";
    }
}
