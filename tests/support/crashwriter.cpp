// SPDX-License-Identifier: GPL-3.0-or-later
// Writes without end until it is killed, and says on stdout after each write
// that the write is complete, so that a test killing it at a random moment
// knows which writes must be in the file and which one may be.
//   vantrel_crashwriter hive <registry dir> <first>
//     value "v<i % 8>" = i (dword) in HKCU\Software\Crash, for i = first, first+1...
//   vantrel_crashwriter log <program folder> <first>
//     event line for entry "e<i>-xxx...", kLogPadding x's long, so that every
//     line crosses pages of the file and a kill can cut one short; before every
//     i that is a multiple of kLogGroup the log is deleted (as the log viewer
//     does), so new logs are made all the time.
//   vantrel_crashwriter events <program folder> <writer> <count>
//     <count> events for entries "w<writer>-<i>-xxx...", of lengths that vary
//     so that lines end all over the pages of the file, then exits; several
//     run at once to write one log side by side.
//   vantrel_crashwriter fsize <program folder> <limit>
//     one event for entry "fsize" with the file size limited to <limit> bytes
//     (RLIMIT_FSIZE, SIGXFSZ ignored), as a full disk would stop it; then exits.
#include "monitor/connectionlog.h"
#include "platform/clock.h"
#include "platform/registry/fileregistry.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "crashwriter.h"

namespace {

void say(long long i)
{
    const QByteArray line = QByteArray::number(i) + '\n';
    if (::write(1, line.constData(), static_cast<size_t>(line.size())) != line.size())
        std::exit(3);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 && !(argc == 5 && std::strcmp(argv[1], "events") == 0)) {
        std::fprintf(
            stderr,
            "usage: vantrel_crashwriter hive|log <dir> <first> | events <dir> <writer> <count> | fsize <dir> <limit>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[2]);
    long long i = std::atoll(argv[3]);
    if (std::strcmp(argv[1], "hive") == 0) {
        vantrel::FileRegistry registry(dir, dir + QStringLiteral("/autostart"));
        vantrel::RegKey key;
        if (registry.openKey(vantrel::Hive::CurrentUser, QStringLiteral("Software\\Crash"), true, &key)
            != vantrel::RegStatus::Success)
            return 1;
        say(-1); // ready
        for (;; ++i) {
            if (registry.setValue(key, QStringLiteral("v%1").arg(i % 8), vantrel::RegValue::dword(vantrel::DWORD(i)))
                != vantrel::RegStatus::Success)
                return 1;
            say(i);
        }
    }
    if (std::strcmp(argv[1], "log") == 0) {
        const vantrel::SystemClock clock;
        const QByteArray log = QFile::encodeName(vantrel::LogFilePath(dir));
        const QString padding(kLogPadding, QLatin1Char('x'));
        say(-1);
        for (;; ++i) {
            if (i % kLogGroup == 0)
                ::unlink(log.constData());
            vantrel::WriteLogEvent(dir, QStringLiteral("e%1-").arg(i) + padding, int(i % 2), clock);
            say(i);
        }
    }
    if (std::strcmp(argv[1], "events") == 0) {
        const vantrel::SystemClock clock;
        for (long long n = 0, count = std::atoll(argv[4]); n < count; ++n) // i: the writer's number
            vantrel::WriteLogEvent(dir,
                                   QStringLiteral("w%1-%2-").arg(i).arg(n) + QString(int(n * 37 % 700), QLatin1Char('x')),
                                   int(n % 2), clock);
        return 0;
    }
    if (std::strcmp(argv[1], "fsize") == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // write() then stops short, or fails with EFBIG
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 1;
        limit.rlim_cur = static_cast<rlim_t>(std::atoll(argv[3]));
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 1;
        vantrel::WriteLogEvent(dir, QStringLiteral("fsize"), vantrel::LogDisconnected, vantrel::SystemClock());
        return 0;
    }
    return 2;
}
