// Resident memory of the real program after start-up, beside a bare Qt tray
// program (bare_tray.cpp), both running side by side under their own Xvfb and
// trayer, each with a private profile. Goal: the program at 30 MiB or less.
//
// Needs Xvfb and trayer (scripts/install-deps.sh installs them); skipped
// without them.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace {

double residentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

struct Started {
    QProcess process;
    explicit Started(const QString &program, const QStringList &arguments = {})
    {
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        process.waitForStarted();
    }
    ~Started()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(1000);
    }
};

void BM_ResidentMemoryAfterStartUp(benchmark::State &state)
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty()) {
        state.SkipWithError("Xvfb and trayer are needed");
        return;
    }
    QTemporaryDir home;
    const QString display = QStringLiteral(":%1").arg(90 + (QCoreApplication::applicationPid() % 9));
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QDir().mkpath(home.path() + QStringLiteral("/run"));
    QFile::setPermissions(home.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (home.path() + QStringLiteral("/run")).toLocal8Bit());
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    Started xvfb(QStringLiteral("Xvfb"), {display, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QThread::msleep(1500);
    Started trayer(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("bottom")});
    QThread::msleep(1000);

    double program = 0;
    double bare = 0;
    for (auto _ : state) {
        Started vantrel(QStringLiteral(VANTREL_BINARY));
        Started yardstick(QStringLiteral(BARE_TRAY_BINARY));
        // The splash takes 3 s; then a few polls.
        QThread::msleep(10000);
        program = residentMiB(vantrel.process.processId());
        bare = residentMiB(yardstick.process.processId());
    }
    state.counters["vantrel_MiB"] = program;
    state.counters["bare_tray_MiB"] = bare;
    state.counters["difference_MiB"] = program - bare;
}
BENCHMARK(BM_ResidentMemoryAfterStartUp)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
