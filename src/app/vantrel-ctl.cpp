// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-ctl: reads and steers a running Vantrel over the session bus
// (org.morvent.Vantrel), for scripts and status bars.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

namespace {

const QString kService = QStringLiteral("org.morvent.Vantrel");
const QString kPath = QStringLiteral("/org/morvent/Vantrel");
const QString kInterface = QStringLiteral("org.morvent.Vantrel");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kNotRunning = QStringLiteral("Vantrel is not running");

enum Exit { Ok = 0, Refused = 1, Usage = 2, NotRunning = 3, NoBus = 4 };

const char kHelp[] =
    "Usage: vantrel-ctl COMMAND [ARGUMENTS]\n"
    "Reads and steers the Vantrel running in this session.\n"
    "\n"
    "Commands:\n"
    "  status            print the address as the tray tip shows it\n"
    "  status --json     print all of Vantrel's state as one JSON object\n"
    "  watch             print the status now and again at each change\n"
    "  watch --json      the same, one JSON object per line (for waybar)\n"
    "  connect [ENTRY]   dial ENTRY, or the entry chosen in Vantrel\n"
    "  disconnect        hang up the dial-up connection\n"
    "  --help            show this help\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 done, 1 Vantrel refused (its reason is printed), 2 wrong usage,\n"
    "3 Vantrel is not running, 4 no session bus.\n";

void say(const QString &text)
{
    std::fprintf(stderr, "vantrel-ctl: %s\n", qPrintable(text));
}

void out(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int usage(const QString &text)
{
    say(text);
    std::fputs("Try 'vantrel-ctl --help'.\n", stderr);
    return Usage;
}

// Texts from the service hold host and entry names: one line, no control
// characters, whatever they contain.
QString printable(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar(0xFFFD);
    }
    return text;
}

QJsonObject asJson(const QVariantMap &p)
{
    const QString address = p.value(QStringLiteral("Address")).toString();
    const bool connected = p.value(QStringLiteral("Connected")).toBool();
    const QString entry = p.value(QStringLiteral("Entry")).toString();
    const QString mode = p.value(QStringLiteral("Mode")).toString();
    QString tooltip = QStringLiteral("Vantrel: ") + address;
    if (!entry.isEmpty())
        tooltip += QStringLiteral("\nEntry: ") + entry;
    if (!mode.isEmpty())
        tooltip += QStringLiteral("\nMode: ") + mode;
    // "text", "tooltip", "class" and "alt" are what waybar's custom module
    // reads; the rest is for scripts.
    const QString cls = connected ? QStringLiteral("connected") : QStringLiteral("disconnected");
    return {{QStringLiteral("text"), address},
            {QStringLiteral("tooltip"), tooltip},
            {QStringLiteral("class"), cls},
            {QStringLiteral("alt"), cls},
            {QStringLiteral("address"), address},
            {QStringLiteral("connected"), connected},
            {QStringLiteral("entry"), entry},
            {QStringLiteral("mode"), mode},
            {QStringLiteral("onlineSeconds"), double(p.value(QStringLiteral("OnlineSeconds")).toULongLong())}};
}

QJsonObject notRunningJson()
{
    return {{QStringLiteral("text"), QString()},
            {QStringLiteral("tooltip"), kNotRunning},
            {QStringLiteral("class"), QStringLiteral("stopped")},
            {QStringLiteral("alt"), QStringLiteral("stopped")},
            {QStringLiteral("connected"), false}};
}

QString jsonLine(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QDBusMessage getAllMessage()
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("GetAll"));
    m << kInterface;
    return m;
}

bool nameMissing(const QDBusMessage &reply)
{
    return reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

// The answer to a call as an exit status, with its reason on stderr.
int answered(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return Ok;
    if (nameMissing(reply)) {
        say(kNotRunning + QLatin1Char('.'));
        return NotRunning;
    }
    say(printable(reply.errorMessage()));
    return Refused;
}

QVariantMap propertiesOf(const QDBusMessage &reply)
{
    return qdbus_cast<QVariantMap>(reply.arguments().value(0));
}

// Prints the status now and at every change the service announces, and tells
// when Vantrel ends or starts again. A line is printed only when it differs
// from the last one.
class Watch : public QObject {
    Q_OBJECT
public:
    Watch(QDBusConnection bus, bool json) : m_bus(bus), m_json(json), m_owner(kService, bus, QDBusServiceWatcher::WatchForOwnerChange)
    {
        m_bus.connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                      SLOT(changed(QString, QVariantMap, QStringList)));
        connect(&m_owner, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString &, const QString &, const QString &owner) {
                    owner.isEmpty() ? print(QString(), true) : read();
                });
        if (m_bus.interface()->isServiceRegistered(kService))
            read();
        else
            print(QString(), true);
    }

private slots:
    // Read afresh rather than merged: the online time is not announced.
    void changed(const QString &, const QVariantMap &, const QStringList &) { read(); }

private:
    void read()
    {
        auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(getAllMessage()), this);
        connect(call, &QDBusPendingCallWatcher::finished, this, [this, call] {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            if (reply.type() == QDBusMessage::ErrorMessage)
                return; // gone meanwhile: the owner watcher tells
            print(lineFor(propertiesOf(reply)), false);
        });
    }
    QString lineFor(const QVariantMap &p) const
    {
        if (!m_json)
            return printable(p.value(QStringLiteral("Address")).toString());
        QJsonObject o = asJson(p);
        return jsonLine(o);
    }
    void print(QString line, bool stopped)
    {
        if (stopped)
            line = m_json ? jsonLine(notRunningJson()) : kNotRunning;
        // The online time alone changes every second; it does not make a line.
        QString key = line;
        if (m_json) {
            QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            o.remove(QStringLiteral("onlineSeconds"));
            key = jsonLine(o);
        }
        if (key == m_lastKey)
            return;
        m_lastKey = key;
        out(line);
    }

    QDBusConnection m_bus;
    bool m_json;
    QDBusServiceWatcher m_owner;
    QString m_lastKey;
};

// libdbus would start a bus of its own (autolaunch) when none is set: a
// client must find the user's bus or none.
void preventAutolaunch()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty() || !QFileInfo(runtime + QStringLiteral("/bus")).exists())
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage(QStringLiteral("a command is needed."));
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kHelp, stdout);
        return Ok;
    }
    if (command == QLatin1String("--version")) {
        std::printf("vantrel-ctl %s\n", VANTREL_VERSION);
        return Ok;
    }

    bool json = false;
    QString entry;
    if (command == QLatin1String("status") || command == QLatin1String("watch")) {
        if (args.size() == 1 && args.front() == QLatin1String("--json"))
            json = true;
        else if (!args.isEmpty())
            return usage(QStringLiteral("'%1' takes only --json.").arg(command));
    } else if (command == QLatin1String("connect")) {
        if (args.size() > 1)
            return usage(QStringLiteral("'connect' takes at most one entry name (quote a name with blanks)."));
        entry = args.value(0);
        if (entry.startsWith(QLatin1Char('-')))
            return usage(QStringLiteral("'connect' has no option '%1'.").arg(printable(entry)));
    } else if (command == QLatin1String("disconnect")) {
        if (!args.isEmpty())
            return usage(QStringLiteral("'disconnect' takes no arguments."));
    } else {
        return usage(QStringLiteral("unknown command '%1'.").arg(printable(command)));
    }

    preventAutolaunch();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        say(QStringLiteral("no session bus (%1).").arg(bus.lastError().message()));
        return NoBus;
    }

    if (command == QLatin1String("watch")) {
        Watch watch(bus, json);
        return app.exec();
    }
    if (!bus.interface()->isServiceRegistered(kService)) {
        say(kNotRunning + QStringLiteral(" (no %1 on the session bus).").arg(kService));
        return NotRunning;
    }
    if (command == QLatin1String("status")) {
        const QDBusMessage reply = bus.call(getAllMessage());
        if (const int rc = answered(reply))
            return rc;
        const QVariantMap p = propertiesOf(reply);
        out(json ? jsonLine(asJson(p)) : printable(p.value(QStringLiteral("Address")).toString()));
        return Ok;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       command == QLatin1String("connect") ? QStringLiteral("Connect")
                                                                                           : QStringLiteral("Disconnect"));
    if (command == QLatin1String("connect"))
        call << entry;
    const int rc = answered(bus.call(call));
    // Closed while the application object still exists: a connection left for
    // the exit handlers may still be handing out messages then.
    QDBusConnection::disconnectFromBus(bus.name());
    return rc;
}

#include "vantrel-ctl.moc"
