// Writes without end until it is killed, and says on stdout after each write
// that the write is complete, so that a test killing it at a random moment
// knows which writes must be in the file and which one may be.
//   vantrel_crashwriter hive <registry dir> <first>
//     value "v<i % 8>" = i (dword) in HKCU\Software\Crash, for i = first, first+1...
//   vantrel_crashwriter log <program folder> <first>
//     event line for entry "e<i>"; before every i that is a multiple of 4 the log
//     is deleted (as the log viewer does), so new logs are made all the time.
#include "monitor/connectionlog.h"
#include "platform/clock.h"
#include "platform/registry/fileregistry.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

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
    if (argc != 4) {
        std::fprintf(stderr, "usage: vantrel_crashwriter hive|log <dir> <first>\n");
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
        say(-1);
        for (;; ++i) {
            if (i % 4 == 0)
                ::unlink(log.constData());
            vantrel::WriteLogEvent(dir, QStringLiteral("e%1").arg(i), int(i % 2), clock);
            say(i);
        }
    }
    return 2;
}
