// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks that run the real program share: a private profile and
// X display of their own, processes that end with their scope, and the
// process figures read from /proc.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

#include <unistd.h>

namespace bench {

// A started process, ended (SIGTERM, then SIGKILL) when it goes out of scope.
// Its output goes to `outputFile` when one is given.
struct Started {
    QProcess process;
    explicit Started(const QString &program, const QStringList &arguments = {}, const QString &outputFile = {})
    {
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!outputFile.isEmpty())
            process.setStandardOutputFile(outputFile);
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
    qint64 pid() const { return process.processId(); }
};

inline bool HaveTools(const QStringList &tools)
{
    for (const QString &tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    return true;
}

enum class DisplayServer { X11, Wayland };

// A temporary home, runtime folder and profile, and a display server of our
// own, all put into this process's environment for the programs it starts: an
// Xvfb, or weston's headless backend (no screen, no input; with no X display,
// so that nothing falls back to X11). No session bus unless a benchmark starts
// one.
class PrivateDesktop {
public:
    explicit PrivateDesktop(DisplayServer server = DisplayServer::X11)
    {
        const QString run = m_home.path() + QStringLiteral("/run");
        QDir().mkpath(run);
        QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir().mkpath(configDir());
        qputenv("HOME", m_home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", run.toLocal8Bit());
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        if (server == DisplayServer::Wayland) {
            qunsetenv("DISPLAY");
            qputenv("WAYLAND_DISPLAY", "vantrel-bench");
            qputenv("QT_QPA_PLATFORM", "wayland");
            // The program's own choice of window buffers is what is measured.
            qunsetenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION");
            m_server = std::make_unique<Started>(
                QStringLiteral("weston"),
                QStringList{QStringLiteral("--backend=headless-backend.so"), QStringLiteral("--socket=vantrel-bench"),
                            QStringLiteral("--idle-time=0"), QStringLiteral("--no-config"),
                            QStringLiteral("--log=") + m_home.path() + QStringLiteral("/weston.log")});
            for (int i = 0; i < 100 && !QFile::exists(run + QStringLiteral("/vantrel-bench")); ++i)
                QThread::msleep(100);
            return;
        }
        const QString display = QStringLiteral(":%1").arg(90 + (QCoreApplication::applicationPid() % 9));
        qputenv("DISPLAY", display.toLocal8Bit());
        qunsetenv("WAYLAND_DISPLAY");
        qputenv("QT_QPA_PLATFORM", "xcb");
        m_server = std::make_unique<Started>(QStringLiteral("Xvfb"),
                                             QStringList{display, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QThread::msleep(1500);
    }
    QString path() const { return m_home.path(); }
    QString configDir() const { return m_home.path() + QStringLiteral("/config/vantrel"); }

private:
    QTemporaryDir m_home;
    std::unique_ptr<Started> m_server;
};

// A session bus of our own, put into this process's environment for the
// programs it starts from now on; empty address() when none could be started.
class PrivateSessionBus {
public:
    PrivateSessionBus()
        : m_daemon(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")})
    {
        if (m_daemon.process.waitForReadyRead(5000))
            m_address = m_daemon.process.readLine().trimmed();
        if (!m_address.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
    }
    ~PrivateSessionBus() { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); }
    QByteArray address() const { return m_address; }

private:
    Started m_daemon;
    QByteArray m_address;
};

// The trayer XEmbed tray on the desktop's display.
inline std::unique_ptr<Started> StartTrayer()
{
    auto trayer = std::make_unique<Started>(QStringLiteral("trayer"),
                                            QStringList{QStringLiteral("--edge"), QStringLiteral("bottom")});
    QThread::msleep(1000);
    return trayer;
}

// A line of /proc/PID/status, e.g. "VmRSS", as its number (kB); -1 if missing.
inline double ProcStatusKiB(qint64 pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble();
    return -1;
}

inline double ResidentMiB(qint64 pid)
{
    const double kib = ProcStatusKiB(pid, "VmRSS");
    return kib < 0 ? -1 : kib / 1024.0;
}

// The names of the files mapped into the process (/proc/PID/maps) that hold one
// of `parts`, each once, in order.
inline QStringList MappedFiles(qint64 pid, const QStringList &parts)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        // The path, where there is one, is the last field and starts with '/'.
        const qsizetype slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QString name = QString::fromLocal8Bit(line.mid(line.lastIndexOf('/') + 1));
        for (const QString &part : parts)
            if (name.contains(part) && !found.contains(name))
                found.append(name);
    }
    found.sort();
    return found;
}

// User and system CPU time the process has used so far, in milliseconds.
inline double CpuMilliseconds(qint64 pid)
{
    // The scheduler's own count in nanoseconds, summed over the threads
    // (/proc/PID/task/TID/schedstat, first field): the clock-tick counts of
    // /proc/PID/stat only move in 10 ms steps, too coarse for an idle minute.
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    double nanoseconds = 0;
    bool found = false;
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (!schedstat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = schedstat.readAll().split(' ');
        bool ok = false;
        const double onCpu = fields.value(0).toDouble(&ok);
        if (ok) {
            nanoseconds += onCpu;
            found = true;
        }
    }
    if (found)
        return nanoseconds / 1e6;

    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The command name may hold blanks; the fields after it are fixed.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble(); // utime, stime
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

} // namespace bench
