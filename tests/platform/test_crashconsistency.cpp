// SPDX-License-Identifier: GPL-3.0-or-later
// Writers killed at random moments: a process writing the hive, and one writing
// the connection log, are killed with SIGKILL a few hundred times each. After
// every kill the files must be whole, hold every completed write, and leave
// nothing behind that stops or litters the next writer. A log write stopped
// short (killed between two pages, or by a full disk) may leave a half line,
// but the next event always starts on a line of its own. Writers side by side
// neither lose, glue nor split a line.
#include "monitor/connectionlog.h"
#include "platform/registry/fileregistry.h"
#include "platform/registry/hiveformat.h"
#include "support/crashwriter.h"
#include "support/fixedclock.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

using namespace vantrel;

namespace {

constexpr int kTrials = 200;

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Starts the writer, lets it run for `runFor` once it is ready, kills it and
// returns the last write it reported complete (`first` - 1 when none).
long long runAndKill(const QString &mode, const QString &dir, long long first, std::chrono::microseconds runFor)
{
    QProcess p;
    p.start(test::binaryDir() + QStringLiteral("/vantrel_crashwriter"), {mode, dir, QString::number(first)});
    EXPECT_TRUE(p.waitForReadyRead(10000)) << p.errorString().toStdString();
    std::this_thread::sleep_for(runFor);
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    EXPECT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit)
        << "the writer stopped by itself: " << p.readAllStandardError().toStdString();
    long long last = first - 1;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && line != "-1")
            last = line.toLongLong();
    return last;
}

std::mt19937 seededGenerator(unsigned *seed)
{
    *seed = std::random_device{}();
    return std::mt19937(*seed);
}

} // namespace

TEST(CrashConsistency, HiveKilledMidWriteHoldsOldOrNewValuesAndNoLockOrLeftover)
{
    QTemporaryDir dir;
    const QString regDir = dir.path();
    const QString file = regDir + QStringLiteral("/user.reg");
    {
        FileRegistry r(regDir, regDir + QStringLiteral("/autostart"));
        RegKey key;
        ASSERT_EQ(r.openKey(Hive::CurrentUser, QStringLiteral("Software\\Crash"), true, &key), RegStatus::Success);
        for (DWORD i = 0; i < 8; ++i)
            ASSERT_EQ(r.setValue(key, QStringLiteral("v%1").arg(i), RegValue::dword(i)), RegStatus::Success);
    }
    unsigned seed = 0;
    std::mt19937 random = seededGenerator(&seed);
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::uniform_int_distribution<int> runFor(0, 12000);
    long long next = 8;
    for (int trial = 0; trial < kTrials; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        const long long done = runAndKill(QStringLiteral("hive"), regDir, next, std::chrono::microseconds(runFor(random)));

        // No lock is left held: the kernel dropped the dead writer's.
        const int lockFd = ::open(QFile::encodeName(file + QStringLiteral(".lock")).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(lockFd, 0);
        EXPECT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
        ::close(lockFd);

        // The hive parses, and holds every completed write and at most the one after.
        hive::Data data;
        QString why;
        ASSERT_TRUE(hive::parse(readFile(file), &data, &why)) << why.toStdString();
        const hive::Key *key = data.findKey(hive::fold(QStringLiteral("Software\\Crash")));
        ASSERT_NE(key, nullptr);
        long long newest = -1;
        for (int j = 0; j < 8; ++j) {
            const auto it = key->values.find(QStringLiteral("v%1").arg(j));
            ASSERT_NE(it, key->values.end());
            newest = std::max<long long>(newest, it->second.value.number);
        }
        ASSERT_TRUE(newest == done || newest == done + 1) << newest << " after " << done << " completed";
        for (int j = 0; j < 8; ++j) {
            long long expected = newest - ((newest - j) % 8 + 8) % 8;
            EXPECT_EQ(key->values.find(QStringLiteral("v%1").arg(j))->second.value.number, DWORD(expected)) << j;
        }

        // The next writer goes ahead at once and leaves no leftover behind.
        FileRegistry r(regDir, regDir + QStringLiteral("/autostart"));
        RegKey k;
        ASSERT_EQ(r.openKey(Hive::CurrentUser, QStringLiteral("Software\\Check"), true, &k), RegStatus::Success);
        ASSERT_EQ(r.setValue(k, QStringLiteral("trial"), RegValue::dword(DWORD(trial))), RegStatus::Success);
        EXPECT_EQ(QDir(regDir).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList({QStringLiteral("user.reg"), QStringLiteral("user.reg.lock")}));
        next = newest + 1;
    }
}

TEST(CrashConsistency, LogKilledMidWriteHasItsHeaderAndEveryEventOnALineOfItsOwn)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString file = LogFilePath(folder);
    const QRegularExpression header(
        QStringLiteral("^@\\(#\\)>> Vantrel Log File created at: \\d\\d-\\d\\d-\\d{4} \\d\\dh \\d\\dm \\d\\ds\\r$"));
    const QRegularExpression event(
        QStringLiteral(
            "^\\[\\d\\d-\\d\\d-\\d{4} \\d\\dh \\d\\dm \\d\\ds\\]\\(e(\\d+)-x{%1}\\): (Connected|Disconnected)\\.\\r$")
            .arg(kLogPadding));
    unsigned seed = 0;
    std::mt19937 random = seededGenerator(&seed);
    SCOPED_TRACE(testing::Message() << "random seed " << seed);
    std::uniform_int_distribution<int> runFor(0, 8000);
    long long next = 0;
    int torn = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        SCOPED_TRACE(testing::Message() << "trial " << trial);
        const long long done = runAndKill(QStringLiteral("log"), folder, next, std::chrono::microseconds(runFor(random)));
        // The writer deletes the log before every multiple of kLogGroup, so the
        // log holds the events of the current group up to the kill.
        long long last = done;
        if (!QFile::exists(file)) {
            // Killed after the deletion and before the new log was linked.
            EXPECT_EQ((done + 1) % kLogGroup, 0) << "log missing after " << done;
        } else {
            const QList<QByteArray> lines = readFile(file).split('\n');
            ASSERT_GE(lines.size(), 4) << "a log is never without its header and first line";
            EXPECT_TRUE(header.match(QString::fromUtf8(lines[0])).hasMatch()) << lines[0].constData();
            EXPECT_EQ(lines[1], "@(#)>> Please, do not edit.\r");
            long long expected = -1;
            bool afterTorn = false;
            for (qsizetype i = 2; i < lines.size(); ++i) {
                const QByteArray &line = lines[i];
                if (i + 1 == lines.size() && line.isEmpty())
                    break; // after the last line end
                const auto m = event.match(QString::fromUtf8(line));
                if (!m.hasMatch()) {
                    // A write stopped short: the start of the next event, never
                    // two in a row, never the first line of a log.
                    ++torn;
                    EXPECT_TRUE(line.startsWith('[') && expected >= 0 && !afterTorn)
                        << "not a whole event line: " << line.left(80).constData();
                    afterTorn = true;
                    continue;
                }
                afterTorn = false;
                const long long n = m.captured(1).toLongLong();
                if (expected < 0)
                    EXPECT_EQ(n % kLogGroup, 0) << "the first line of a log is the event that made it";
                else
                    EXPECT_EQ(n, expected) << "a line lost or doubled";
                expected = n + 1;
            }
            last = expected - 1;
            EXPECT_TRUE(last == done || last == done + 1) << last << " after " << done << " completed";
        }
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).size() <= 1)
            << "a leftover beside the log: " << QDir(folder).entryList(QDir::Files | QDir::Hidden).join(u' ').toStdString();
        next = std::max(done, last) + 1;
    }
    std::printf("[          ] %d writes stopped short by the kill\n", torn);
}

TEST(CrashConsistency, LogWriteStoppedByAFullDiskLeavesTheNextEventALineOfItsOwn)
{
    // The file size limit stops the write where a full disk would: nothing of
    // the line, part of it, or all but its last byte.
    const QByteArray next = "[01-01-2030 00h 00m 00s](after): Connected.\r\n";
    const struct {
        const char *what;
        qint64 room;
        QByteArray left;
    } rows[] = {
        {"no room at all", 0, ""},
        {"half a line", 20, "[" /* and more of the date */},
        {"all but the line feed", -1, "["},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString file = LogFilePath(dir.path());
        FixedClock clock(QDateTime(QDate(2030, 1, 1), QTime(0, 0)));
        WriteLogEvent(dir.path(), QStringLiteral("first"), LogConnected, clock);
        const QByteArray before = readFile(file);
        const qint64 full = before.size() + qint64(qstrlen("[01-01-2030 00h 00m 00s](fsize): Disconnected.\r\n"));
        const qint64 limit = row.room < 0 ? full - 1 : before.size() + row.room;

        QProcess p;
        p.start(test::binaryDir() + QStringLiteral("/vantrel_crashwriter"),
                {QStringLiteral("fsize"), dir.path(), QString::number(limit)});
        ASSERT_TRUE(p.waitForFinished(10000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QByteArray cut = readFile(file);
        ASSERT_EQ(cut.size(), limit) << "the limit did not stop the write where it should";
        EXPECT_TRUE(cut.mid(before.size()).startsWith(row.left));

        WriteLogEvent(dir.path(), QStringLiteral("after"), LogConnected, clock);
        // The half line is kept as it is and ended; no empty line after a whole one.
        EXPECT_EQ(readFile(file), cut + (cut.endsWith('\n') ? "" : "\r\n") + next);
    }
}

TEST(CrashConsistency, WritersSideBySideLoseNothingGlueNothingAndLeaveNoBlankLine)
{
    // Five processes write 5,000 events each into one log at once. An append
    // that crosses a page of the file shows its new size before its last bytes
    // are in; a writer that took that half-copied line for one a dead writer
    // left would end it, and leave an empty line once the other write is done.
    constexpr int kWriters = 5;
    constexpr int kEvents = 5000;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->start(test::binaryDir() + QStringLiteral("/vantrel_crashwriter"),
                              {QStringLiteral("events"), dir.path(), QString::number(w), QString::number(kEvents)});
    }
    for (auto &p : writers) {
        ASSERT_TRUE(p->waitForFinished(120000));
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    const QRegularExpression event(QStringLiteral(
        "^\\[\\d\\d-\\d\\d-\\d{4} \\d\\dh \\d\\dm \\d\\ds\\]\\(w(\\d)-(\\d+)-x*\\): (Connected|Disconnected)\\.\\r$"));
    const QList<QByteArray> lines = readFile(LogFilePath(dir.path())).split('\n');
    int next[kWriters] = {};
    int blank = 0, other = 0; // other: glued or torn
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const auto m = event.match(QString::fromUtf8(lines[i]));
        if (m.hasMatch())
            EXPECT_EQ(m.captured(2).toInt(), next[m.captured(1).toInt()]++) << "lost, doubled or out of order";
        else
            ++(lines[i] == "\r" || lines[i].isEmpty() ? blank : other);
    }
    EXPECT_EQ(lines.constLast(), QByteArray()) << "the log ends with a line end";
    EXPECT_EQ(blank, 0);
    EXPECT_EQ(other, 0);
    for (int w = 0; w < kWriters; ++w)
        EXPECT_EQ(next[w], kEvents) << "writer " << w;
}
