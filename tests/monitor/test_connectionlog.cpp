// SPDX-License-Identifier: GPL-3.0-or-later
// The connection log file: header on creation, one line per event, the time of
// one clock reading, and silence on every failure.
#include "monitor/connectionlog.h"
#include "platform/clock.h"
#include "support/fixedclock.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

namespace {

QByteArray readLog(const QString &folder)
{
    QFile f(LogFilePath(folder));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

} // namespace

TEST(ConnectionLog, FirstEventCreatesTheFileWithItsHeader)
{
    QTemporaryDir dir;
    FixedClock clock(at(1997, 6, 19, 22, 5, 9));
    WriteLogEvent(dir.path(), QStringLiteral("Office"), LogConnected, clock);
    EXPECT_EQ(readLog(dir.path()), "@(#)>> Vantrel Log File created at: 06-19-1997 22h 05m 09s\r\n"
                                   "@(#)>> Please, do not edit.\r\n"
                                   "[06-19-1997 22h 05m 09s](Office): Connected.\r\n");
}

TEST(ConnectionLog, LaterEventsAddOneLineEach)
{
    QTemporaryDir dir;
    FixedClock clock(at(2001, 1, 2, 3, 4, 5));
    WriteLogEvent(dir.path(), QStringLiteral("Office"), 0, clock);
    const QByteArray first = readLog(dir.path());
    const struct {
        int event;
        QString entry;
        QByteArray line;
    } cases[] = {
        {1, QStringLiteral("Office"), "[12-31-2001 09h 08m 07s](Office): Disconnected.\r\n"},
        {9, QStringLiteral("Home ISP"), "[12-31-2001 09h 08m 07s](Home ISP): Application closed but still connected.\r\n"},
        {0, QString(), "[12-31-2001 09h 08m 07s](): Connected.\r\n"},
        {0, QStringLiteral("B\u00fcro \u2013 \u0414\U0001F600!"),
         "[12-31-2001 09h 08m 07s](B\xc3\xbcro \xe2\x80\x93 \xd0\x94\xf0\x9f\x98\x80!): Connected.\r\n"},
    };
    clock.set(at(2001, 12, 31, 9, 8, 7));
    QByteArray expected = first;
    for (const auto &c : cases) {
        WriteLogEvent(dir.path(), c.entry, c.event, clock);
        expected += c.line;
        EXPECT_EQ(readLog(dir.path()), expected) << c.event;
    }
    WriteLogEvent(dir.path(), QStringLiteral("x"), 5, clock); // not an event of the log
    EXPECT_EQ(readLog(dir.path()), expected);
}

TEST(ConnectionLog, AllFieldsComeFromOneClockReading)
{
    // A clock whose every reading is one millisecond later: a writer that read
    // it per field would mix 31 December with the first second of the year.
    class TickingClock final : public Clock {
    public:
        QDateTime now() const override { return m_t = m_t.addMSecs(1); }
        mutable QDateTime m_t = at(1999, 12, 31, 23, 59, 59, 998);
    } ticking;
    QTemporaryDir dir;
    WriteLogEvent(dir.path(), QStringLiteral("Office"), 1, ticking);
    EXPECT_EQ(readLog(dir.path()), "@(#)>> Vantrel Log File created at: 12-31-1999 23h 59m 59s\r\n"
                                   "@(#)>> Please, do not edit.\r\n"
                                   "[12-31-1999 23h 59m 59s](Office): Disconnected.\r\n");

    FixedClock midnight(at(2000, 2, 29, 23, 59, 59, 999));
    WriteLogEvent(dir.path(), QStringLiteral("Office"), 0, midnight);
    EXPECT_TRUE(readLog(dir.path()).endsWith("[02-29-2000 23h 59m 59s](Office): Connected.\r\n"));
}

TEST(ConnectionLog, ControlCharactersInANameNeverMakeALineOfTheirOwn)
{
    // Names come from NetworkManager profiles, the phonebook and the registry.
    // Neither a line break nor a change of direction may forge what a line says.
#define R "\xef\xbf\xbd" // U+FFFD in UTF-8
    const struct {
        const char *what;
        QString entry;
        QByteArray written;
    } rows[] = {
        {"CR LF and a forged event", QStringLiteral("a\r\n[01-01-2026 00h 00m 00s](forged): Connected."),
         "a" R R "[01-01-2026 00h 00m 00s](forged): Connected."},
        {"LF, tab, escape", QStringLiteral("\n\t\x1b[31m"), R R R "[31m"},
        {"NUL, DEL, C1 next line", QString(QChar(0)) + QChar(0x7f) + QChar(0x85), R R R},
        {"line and paragraph separators", QString(QChar(0x2028)) + QChar(0x2029) + QStringLiteral("b"), R R "b"},
        {"a right-to-left override that makes Connected read Disconnected", QStringLiteral("Bidi\u202e.detcennocsiD :)x"),
         "Bidi" R ".detcennocsiD :)x"},
        {"embeddings, overrides, isolates, marks",
         QStringLiteral("\u202a\u202b\u202c\u202d\u2066\u2067\u2068\u2069\u200e\u200f\u061c"), R R R R R R R R R R R},
        {"a joiner and Arabic letters stay", QStringLiteral("\U0001F469\u200d\U0001F4BB \u0645"),
         "\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x92\xbb \xd9\x85"},
    };
#undef R
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        FixedClock clock(at(2026, 1, 1, 0, 0, 0));
        WriteLogEvent(dir.path(), QStringLiteral("first"), LogConnected, clock);
        const QByteArray before = readLog(dir.path());
        WriteLogEvent(dir.path(), row.entry, LogConnected, clock);
        EXPECT_EQ(readLog(dir.path()), before + "[01-01-2026 00h 00m 00s](" + row.written + "): Connected.\r\n");
    }
}

TEST(ConnectionLog, FailuresDropTheEventSilently)
{
    QTemporaryDir dir;
    FixedClock clock(at(2020, 5, 6, 7, 8, 9));
    {
        SCOPED_TRACE("missing folder is not created");
        const QString missing = dir.path() + QStringLiteral("/no/such/folder");
        WriteLogEvent(missing, QStringLiteral("x"), 0, clock);
        EXPECT_FALSE(QDir(missing).exists());
    }
    {
        SCOPED_TRACE("a folder in the log's place");
        const QString folder = dir.path() + QStringLiteral("/blocked");
        QDir().mkpath(LogFilePath(folder));
        WriteLogEvent(folder, QStringLiteral("x"), 0, clock);
        EXPECT_TRUE(QFileInfo(LogFilePath(folder)).isDir());
    }
    {
        SCOPED_TRACE("a FIFO in the log's place: no wait for a reader");
        const QString folder = dir.path() + QStringLiteral("/fifo");
        QDir().mkpath(folder);
        ASSERT_EQ(::mkfifo(QFile::encodeName(LogFilePath(folder)).constData(), 0600), 0);
        WriteLogEvent(folder, QStringLiteral("x"), 0, clock);
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList{QStringLiteral("Vantrel.log")});
    }
    {
        SCOPED_TRACE("no room for the line");
        const QString folder = dir.path() + QStringLiteral("/full");
        QDir().mkpath(folder);
        WriteLogEvent(folder, QStringLiteral("x"), 0, clock);
        const QByteArray before = readLog(folder);
        struct rlimit old;
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit full = old;
        full.rlim_cur = static_cast<rlim_t>(before.size());
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        WriteLogEvent(folder, QStringLiteral("x"), 1, clock);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(readLog(folder), before);
        WriteLogEvent(folder, QStringLiteral("x"), 1, clock); // and the next one goes in again
        EXPECT_EQ(readLog(folder), before + "[05-06-2020 07h 08m 09s](x): Disconnected.\r\n");
    }
}

TEST(ConnectionLog, ReadOnlyLogIsLeftAsItIs)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    QTemporaryDir dir;
    FixedClock clock(at(2020, 5, 6, 7, 8, 9));
    WriteLogEvent(dir.path(), QStringLiteral("x"), 0, clock);
    const QByteArray before = readLog(dir.path());
    QFile::setPermissions(LogFilePath(dir.path()), QFileDevice::ReadOwner);
    WriteLogEvent(dir.path(), QStringLiteral("x"), 1, clock);
    EXPECT_EQ(readLog(dir.path()), before);
}

TEST(ConnectionLog, WriteOnlyLogStillTakesEvents)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    QTemporaryDir dir;
    FixedClock clock(at(2020, 5, 6, 7, 8, 9));
    WriteLogEvent(dir.path(), QStringLiteral("x"), 0, clock);
    const QString path = LogFilePath(dir.path());
    QFile::setPermissions(path, QFileDevice::WriteOwner);
    WriteLogEvent(dir.path(), QStringLiteral("x"), 1, clock);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(readLog(dir.path()).endsWith("(x): Connected.\r\n[05-06-2020 07h 08m 09s](x): Disconnected.\r\n"));
}

TEST(ConnectionLog, UnwritableProgramFolderPutsTheLogInThePrivateStateFolder)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    test::ScopedHome home;
    QTemporaryDir dir;
    const QString installed = dir.path() + QStringLiteral("/bin");
    QDir().mkpath(installed);
    QFile::setPermissions(installed, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString expected = home.stateDir() + QStringLiteral("/vantrel/Vantrel.log");
    EXPECT_EQ(LogFilePath(installed), expected);

    FixedClock clock(at(2020, 5, 6, 7, 8, 9));
    WriteLogEvent(installed, QStringLiteral("x"), 0, clock);
    EXPECT_TRUE(readLog(installed).endsWith("[05-06-2020 07h 08m 09s](x): Connected.\r\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(home.stateDir() + QStringLiteral("/vantrel")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    QFile::setPermissions(installed, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(ConnectionLog, PathIsBesideTheProgramWhenItsFolderIsWritableOrMissing)
{
    QTemporaryDir dir;
    EXPECT_EQ(LogFilePath(dir.path()), dir.path() + QStringLiteral("/Vantrel.log"));
    EXPECT_EQ(LogFilePath(QStringLiteral("/no/such/vantrel")), QStringLiteral("/no/such/vantrel/Vantrel.log"));
}

TEST(ConnectionLog, AnInstalledProgramKeepsItsLogInTheStateFolderWhereverItLives)
{
    // Run as root, an installed /usr/bin/vantrel could write /usr/bin: its log
    // would be a file no package owns.
    test::ScopedHome home;
    QTemporaryDir dir;
    const QString bin = dir.path() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    const QString state = home.stateDir() + QStringLiteral("/vantrel/Vantrel.log");
    const struct {
        const char *what;
        QString folder;
        bool installed;
        const char *stateHome; // nullptr: the test's own
        QString log;
    } rows[] = {
        {"installed, its folder writable", bin, true, nullptr, state},
        {"installed, its folder gone", dir.path() + QStringLiteral("/gone"), true, nullptr, state},
        {"installed, a relative XDG_STATE_HOME", bin, true, "relative",
         home.path() + QStringLiteral("/.local/state/vantrel/Vantrel.log")},
        {"run from its build folder", bin, false, nullptr, bin + QStringLiteral("/Vantrel.log")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        qputenv("XDG_STATE_HOME", row.stateHome ? QByteArray(row.stateHome) : QFile::encodeName(home.stateDir()));
        EXPECT_EQ(LogFilePath(row.folder, row.installed), row.log);
        WriteLogEvent(row.folder, QStringLiteral("x"), LogConnected, FixedClock(at(2020, 5, 6, 7, 8, 9)), row.installed);
        QFile log(row.log);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_TRUE(log.readAll().endsWith("[05-06-2020 07h 08m 09s](x): Connected.\r\n"));
        EXPECT_EQ(QFileInfo::exists(row.folder + QStringLiteral("/Vantrel.log")), !row.installed);
        QFile::remove(row.log);
    }
}
