// SPDX-License-Identifier: GPL-3.0-or-later
// vantrel-ctl: reads and steers a running Vantrel over the session bus
// (org.morvent.Vantrel, interface version 2), for scripts and status bars.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.morvent.Vantrel");
const QString kPath = QStringLiteral("/org/morvent/Vantrel");
const QString kInterface = QStringLiteral("org.morvent.Vantrel");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kVantrelErrors = QStringLiteral("org.morvent.Vantrel.Error.");

enum Exit { Ok = 0, Refused = 1, Usage = 2, NotRunning = 3, NoBus = 4, NotAnswering = 5 };

// How long a read of the status may take before Vantrel counts as not
// answering, and how often watch asks again.
constexpr int kReadTimeoutMs = 3000;
constexpr int kHealthIntervalMs = 3000;
// A command's answer comes when the dial has started or the hang-up is over.
constexpr int kCommandTimeoutMs = 30000;

const char kHelp[] = "Usage: vantrel-ctl [OPTION]... COMMAND [ENTRY]\n"
                     "Reads and steers the Vantrel running in this session.\n"
                     "\n"
                     "Commands:\n"
                     "  status            print the state and the address once\n"
                     "  watch             print them now, at each change, and when Vantrel cannot\n"
                     "                    be reached; ends when its output is closed\n"
                     "  connect [ENTRY]   dial ENTRY, or the entry chosen in Vantrel\n"
                     "  disconnect        hang up the line, or abort the dial under way\n"
                     "\n"
                     "Options:\n"
                     "  --json            status and watch: one JSON object per line (for waybar)\n"
                     "  --format FORMAT   status and watch: FORMAT with {state}, {address},\n"
                     "                    {entry}, {online} (h:mm) and {public} (the public\n"
                     "                    IPv4 address, else the IPv6 one) filled in\n"
                     "  --                end of the options (for an entry name starting with -)\n"
                     "  -h, --help        show this help\n"
                     "  --version         show the version\n"
                     "\n"
                     "Exit status: 0 done, 1 Vantrel refused (its reason is printed), 2 wrong usage,\n"
                     "3 Vantrel is not running, 4 no session bus, 5 Vantrel does not answer.\n";

// --- output ------------------------------------------------------------------------

// Ends the program as the write to a closed pipe would have, had the bus
// library not set SIGPIPE aside.
[[noreturn]] void endOfOutput()
{
    std::signal(SIGPIPE, SIG_DFL);
    ::raise(SIGPIPE);
    ::_exit(128 + SIGPIPE);
}

void say(const QString &text)
{
    std::fprintf(stderr, "vantrel-ctl: %s\n", text.toUtf8().constData());
}

void out(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        if (errno == EPIPE)
            endOfOutput();
        say(QStringLiteral("cannot write: %1.").arg(QString::fromLocal8Bit(std::strerror(errno))));
        ::_exit(Refused);
    }
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

// Text safe inside Pango markup, which waybar reads "text" and "tooltip" as.
QString markupSafe(const QString &text)
{
    QString escaped = text.toHtmlEscaped();
    return escaped.replace(QLatin1Char('\''), QLatin1String("&#39;"));
}

// --- what was found --------------------------------------------------------------

// Vantrel's properties, or why there are none.
struct Status {
    enum Reach { Answered, Stopped, Refused, Unresponsive, NoBus } reach = Stopped;
    QVariantMap properties;
    QString why; // Refused: Vantrel's reason
};

int exitCodeOf(const Status &s)
{
    switch (s.reach) {
    case Status::Answered: return Ok;
    case Status::Stopped: return NotRunning;
    case Status::Refused: return Refused;
    case Status::Unresponsive: return NotAnswering;
    case Status::NoBus: return NoBus;
    }
    return Refused;
}

QString text(const Status &s, const char *property)
{
    return s.properties.value(QLatin1String(property)).toString();
}

// The same, for a line of text or markup.
QString shown(const Status &s, const char *property)
{
    return printable(text(s, property));
}

// The state, or what stands for it when Vantrel could not be asked.
QString stateOf(const Status &s)
{
    switch (s.reach) {
    case Status::Answered: return shown(s, "State");
    case Status::Stopped: return QStringLiteral("stopped");
    case Status::Refused: return QStringLiteral("refused");
    case Status::Unresponsive: return QStringLiteral("unresponsive");
    case Status::NoBus: return QStringLiteral("no-bus");
    }
    return {};
}

qint64 onlineSince(const Status &s)
{
    return s.properties.value(QStringLiteral("OnlineSince")).toLongLong();
}

// The time online as h:mm; empty while offline.
QString onlineTime(const Status &s)
{
    const qint64 since = onlineSince(s);
    if (since <= 0)
        return {};
    const qint64 minutes = qMax<qint64>(0, QDateTime::currentSecsSinceEpoch() - since) / 60;
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// The public address where there is room for one, as the tray tip shows it:
// IPv4, else IPv6; empty while the lookup is off or has no answer.
QString publicAddress(const Status &s)
{
    const QString v4 = shown(s, "PublicAddress4");
    return v4.isEmpty() ? shown(s, "PublicAddress6") : v4;
}

// "connected 10.64.3.17", "down", "stopped"...: scripts read the state and
// the address as the line's two words, so the public addresses are only in
// --format ({public}) and --json.
QString plainLine(const Status &s)
{
    const QString address = shown(s, "Address");
    return address.isEmpty() ? stateOf(s) : stateOf(s) + QLatin1Char(' ') + address;
}

const QStringList kFormatFields{QStringLiteral("state"), QStringLiteral("address"), QStringLiteral("entry"),
                                QStringLiteral("online"), QStringLiteral("public")};

// FORMAT with its fields filled in ("{{" and "}}" stand for braces). With no
// status, only checks it: empty `bad` when it is right.
QString formatLine(const QString &format, const Status *s, QString *bad = nullptr)
{
    QString line;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if ((c == u'{' || c == u'}') && i + 1 < format.size() && format.at(i + 1) == c) {
            line += c;
            ++i;
            continue;
        }
        if (c != u'{') {
            line += c;
            continue;
        }
        const qsizetype close = format.indexOf(u'}', i);
        const QString field = format.mid(i + 1, close < 0 ? -1 : close - i - 1);
        if (close < 0 || !kFormatFields.contains(field)) {
            if (bad)
                *bad = format.mid(i, close < 0 ? -1 : close - i + 1);
            return {};
        }
        i = close;
        if (!s)
            continue;
        if (field == QLatin1String("state"))
            line += stateOf(*s);
        else if (field == QLatin1String("address"))
            line += shown(*s, "Address");
        else if (field == QLatin1String("entry"))
            line += shown(*s, "Entry");
        else if (field == QLatin1String("public"))
            line += publicAddress(*s);
        else
            line += onlineTime(*s);
    }
    return line;
}

// Every key in every case: waybar's ("text", "tooltip", "class", "alt") with
// Pango markup escaped, and the properties as they are for scripts.
QString jsonLine(const Status &s)
{
    const QString state = stateOf(s);
    const QString address = text(s, "Address");
    QString tooltip;
    switch (s.reach) {
    case Status::Answered: {
        tooltip = QStringLiteral("Vantrel: ") + shown(s, "Tip") + QStringLiteral("\nState: ") + state;
        if (!text(s, "Entry").isEmpty())
            tooltip += QStringLiteral("\nEntry: ") + shown(s, "Entry");
        tooltip += QStringLiteral("\nMode: ") + shown(s, "Mode");
        if (!text(s, "PublicAddress4").isEmpty())
            tooltip += QStringLiteral("\nPublic IPv4: ") + shown(s, "PublicAddress4");
        if (!text(s, "PublicAddress6").isEmpty())
            tooltip += QStringLiteral("\nPublic IPv6: ") + shown(s, "PublicAddress6");
        if (onlineSince(s) > 0)
            tooltip += QStringLiteral("\nOnline since ")
                       + QDateTime::fromSecsSinceEpoch(onlineSince(s)).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        break;
    }
    case Status::Stopped: tooltip = QStringLiteral("Vantrel is not running"); break;
    case Status::Refused: tooltip = QStringLiteral("Vantrel refused: ") + printable(s.why); break;
    case Status::Unresponsive: tooltip = QStringLiteral("Vantrel does not answer"); break;
    case Status::NoBus: tooltip = QStringLiteral("There is no session bus"); break;
    }
    const QJsonObject o{
        {QStringLiteral("text"), markupSafe(printable(address.isEmpty() ? state : address))},
        {QStringLiteral("tooltip"), markupSafe(tooltip)},
        {QStringLiteral("class"), state},
        {QStringLiteral("alt"), state},
        {QStringLiteral("version"), qint64(s.properties.value(QStringLiteral("Version")).toUInt())},
        {QStringLiteral("state"), state},
        {QStringLiteral("address"), address},
        {QStringLiteral("hostName"), text(s, "HostName")},
        {QStringLiteral("tip"), text(s, "Tip")},
        {QStringLiteral("entry"), text(s, "Entry")},
        {QStringLiteral("mode"), text(s, "Mode")},
        {QStringLiteral("onlineSince"), onlineSince(s)},
        {QStringLiteral("publicAddress4"), text(s, "PublicAddress4")},
        {QStringLiteral("publicAddress6"), text(s, "PublicAddress6")},
    };
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

struct Output {
    enum Kind { Plain, Json, Format } kind = Plain;
    QString format;
    QString line(const Status &s) const
    {
        return kind == Json ? jsonLine(s) : kind == Format ? formatLine(format, &s) : plainLine(s);
    }
};

// --- the bus -----------------------------------------------------------------------

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

QString noBusText()
{
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == "disabled:")
        return QStringLiteral("there is no session bus (DBUS_SESSION_BUS_ADDRESS is not set, and there is no "
                              "$XDG_RUNTIME_DIR/bus).");
    return QStringLiteral("the session bus (%1) cannot be reached.").arg(printable(QString::fromLocal8Bit(address)));
}

// A private connection of our own: it can be closed, and made again once the
// bus is back, which the shared session connection cannot.
QDBusConnection connectBus(const QString &name)
{
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    if (!bus.isConnected())
        QDBusConnection::disconnectFromBus(name);
    return bus;
}

QDBusMessage getAllMessage()
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("GetAll"));
    m << kInterface;
    return m;
}

QDBusMessage nameHasOwnerMessage()
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    m << kService;
    return m;
}

bool isError(const QDBusMessage &reply, const char *name)
{
    return reply.type() == QDBusMessage::ErrorMessage
           && reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.") + QLatin1String(name);
}

bool nameMissing(const QDBusMessage &reply)
{
    return isError(reply, "ServiceUnknown") || isError(reply, "NameHasNoOwner");
}

// No answer came: Vantrel ended meanwhile, or it is stuck. Asked of the bus.
bool noAnswer(const QDBusMessage &reply)
{
    return isError(reply, "NoReply") || isError(reply, "Timeout");
}

// What an answer to GetAll says; a missing answer needs the owner's presence
// asked apart (`owned`).
Status statusOf(const QDBusMessage &reply, bool owned)
{
    Status s;
    if (reply.type() == QDBusMessage::ReplyMessage) {
        s.reach = Status::Answered;
        s.properties = qdbus_cast<QVariantMap>(reply.arguments().value(0));
    } else if (isError(reply, "Disconnected")) {
        s.reach = Status::NoBus;
    } else if (nameMissing(reply)) {
        s.reach = Status::Stopped;
    } else if (noAnswer(reply)) {
        s.reach = owned ? Status::Unresponsive : Status::Stopped;
    } else {
        s.reach = Status::Refused;
        s.why = reply.errorName().startsWith(kVantrelErrors)
                    ? printable(reply.errorMessage())
                    : QStringLiteral("the call was refused (%1)").arg(printable(reply.errorName()));
    }
    return s;
}

// --- watch ---------------------------------------------------------------------------

// Prints the status now, at every change the service announces, and whenever
// a check every few seconds finds another one: Vantrel ended, refusing, not
// answering, the bus gone (it is looked for again at each check). A line is
// printed only when it differs from the last one.
class Watch : public QObject {
    Q_OBJECT
public:
    explicit Watch(Output output) : m_output(std::move(output))
    {
        watchOutput();
        connect(&m_health, &QTimer::timeout, this, &Watch::check);
        m_health.start(kHealthIntervalMs);
        check();
    }
    ~Watch() override { closeBus(); }

private slots:
    // Read afresh rather than merged: one answer holds everything.
    void changed(const QString &, const QVariantMap &, const QStringList &) { read(); }

private:
    void check()
    {
        if (!m_bus || !m_bus->isConnected())
            openBus();
        else
            read();
    }

    void openBus()
    {
        closeBus();
        m_name = QStringLiteral("vantrel-ctl-%1").arg(++m_connections);
        QDBusConnection bus = connectBus(m_name);
        if (!bus.isConnected()) {
            show({Status::NoBus, {}, {}});
            return;
        }
        m_bus = std::make_unique<QDBusConnection>(bus);
        m_bus->connect(kService, kPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                       SLOT(changed(QString, QVariantMap, QStringList)));
        m_owner = std::make_unique<QDBusServiceWatcher>(kService, *m_bus, QDBusServiceWatcher::WatchForOwnerChange);
        connect(m_owner.get(), &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { read(); });
        read();
    }

    void closeBus()
    {
        m_owner.reset();
        if (m_bus) {
            m_bus.reset();
            QDBusConnection::disconnectFromBus(m_name);
        }
        m_reading = false;
        ++m_generation;
    }

    void read()
    {
        if (!m_bus)
            return; // looked for again at the next check
        if (m_reading) {
            m_readAgain = true;
            return;
        }
        m_reading = true;
        ask(getAllMessage(), [this](const QDBusMessage &reply) {
            if (noAnswer(reply)) {
                ask(nameHasOwnerMessage(),
                    [this, reply](const QDBusMessage &owner) { finishRead(reply, owner.arguments().value(0).toBool()); });
                return;
            }
            finishRead(reply, false);
        });
    }

    void finishRead(const QDBusMessage &reply, bool owned)
    {
        m_reading = false;
        const Status s = statusOf(reply, owned);
        show(s);
        if (s.reach == Status::NoBus) {
            closeBus(); // made again at the next check
        } else if (m_readAgain) {
            m_readAgain = false;
            read();
        }
    }

    // An asynchronous call whose answer is dropped once the connection it
    // went out on has been closed.
    void ask(const QDBusMessage &message, std::function<void(const QDBusMessage &)> then)
    {
        auto *call = new QDBusPendingCallWatcher(m_bus->asyncCall(message, kReadTimeoutMs), this);
        connect(call, &QDBusPendingCallWatcher::finished, this,
                [this, call, generation = m_generation, then = std::move(then)] {
                    call->deleteLater();
                    if (generation == m_generation)
                        then(call->reply());
                });
    }

    void show(const Status &s)
    {
        const QString line = m_output.line(s);
        if (line == m_last)
            return;
        m_last = line;
        out(line);
    }

    // A reader that goes away is seen at once, not at the next line: a panel
    // restarted, or `watch | head -1`.
    void watchOutput()
    {
        struct stat st {};
        if (::fstat(STDOUT_FILENO, &st) != 0 || !(S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)))
            return;
        m_outputGone = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
        connect(m_outputGone.get(), &QSocketNotifier::activated, this, [this] {
            pollfd p{STDOUT_FILENO, 0, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLHUP)))
                endOfOutput();
            m_outputGone->setEnabled(false); // a socket with data for us: not an end
        });
    }

    Output m_output;
    QTimer m_health;
    std::unique_ptr<QDBusConnection> m_bus;
    std::unique_ptr<QDBusServiceWatcher> m_owner;
    std::unique_ptr<QSocketNotifier> m_outputGone;
    QString m_name;
    int m_connections = 0;
    quint64 m_generation = 0;
    bool m_reading = false;
    bool m_readAgain = false;
    QString m_last;
};

// --- the one-shot commands ---------------------------------------------------------

// The status as `watch` would print it first.
int runStatus(const Output &output)
{
    const QString name = QStringLiteral("vantrel-ctl");
    Status s;
    {
        QDBusConnection bus = connectBus(name);
        if (!bus.isConnected()) {
            s.reach = Status::NoBus;
        } else {
            const QDBusMessage reply = bus.call(getAllMessage(), QDBus::Block, kReadTimeoutMs);
            const bool owned = noAnswer(reply) && bus.call(nameHasOwnerMessage()).arguments().value(0).toBool();
            s = statusOf(reply, owned);
        }
    }
    QDBusConnection::disconnectFromBus(name);
    out(output.line(s));
    switch (s.reach) {
    case Status::Answered: break;
    case Status::Stopped: say(QStringLiteral("Vantrel is not running.")); break;
    case Status::Refused: say(QStringLiteral("Vantrel refused: %1").arg(s.why)); break;
    case Status::Unresponsive: say(QStringLiteral("Vantrel does not answer.")); break;
    case Status::NoBus: say(noBusText()); break;
    }
    return exitCodeOf(s);
}

// Connect or Disconnect; the answer as an exit status, with its reason.
int runCommand(const QString &method, const QVariantList &arguments)
{
    const QString name = QStringLiteral("vantrel-ctl");
    int rc = Ok;
    {
        QDBusConnection bus = connectBus(name);
        if (!bus.isConnected()) {
            say(noBusText());
            rc = NoBus;
        } else {
            QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
            m.setArguments(arguments);
            const QDBusMessage reply = bus.call(m, QDBus::Block, kCommandTimeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage) {
                rc = Ok;
            } else if (reply.errorName().startsWith(kVantrelErrors)) {
                say(printable(reply.errorMessage()));
                rc = Refused;
            } else if (nameMissing(reply)) {
                say(QStringLiteral("Vantrel is not running."));
                rc = NotRunning;
            } else if (noAnswer(reply)) {
                const bool owned = bus.call(nameHasOwnerMessage()).arguments().value(0).toBool();
                say(owned ? QStringLiteral("Vantrel did not answer in time.")
                          : QStringLiteral("Vantrel ended before it answered."));
                rc = owned ? NotAnswering : NotRunning;
            } else if (isError(reply, "Disconnected")) {
                say(QStringLiteral("the session bus went away."));
                rc = NoBus;
            } else {
                say(QStringLiteral("the call was refused (%1).").arg(printable(reply.errorName())));
                rc = Refused;
            }
        }
    }
    // Closed while the application object still exists, so that the bus
    // thread hands out nothing once the program's types are gone.
    QDBusConnection::disconnectFromBus(name);
    return rc;
}

} // namespace

int main(int argc, char **argv)
{
    // Qt D-Bus's types are registered before its connection thread starts, so
    // that the registry outlives that thread at exit: otherwise a message the
    // thread still dispatches then meets types already gone, and Qt warns
    // "Trying to construct an instance of an invalid type".
    QDBusMetaType::typeToSignature(QMetaType::fromType<QDBusVariant>());
    QCoreApplication app(argc, argv);
    QStringList words;
    Output output;
    bool json = false, format = false;
    QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--")) {
            words += args.mid(i + 1);
            break;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kHelp, stdout);
            return Ok;
        }
        if (a == QLatin1String("--version")) {
            std::printf("vantrel-ctl %s\n", VANTREL_VERSION);
            return Ok;
        }
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--format") || a.startsWith(QLatin1String("--format="))) {
            if (a == QLatin1String("--format") && i + 1 == args.size())
                return usage(QStringLiteral("--format needs a FORMAT."));
            output.format = a == QLatin1String("--format") ? args.at(++i) : a.mid(9);
            format = true;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usage(
                QStringLiteral("unknown option '%1' (an entry name starting with '-' goes after '--').").arg(printable(a)));
        } else {
            words.append(a);
        }
    }
    if (words.isEmpty())
        return usage(QStringLiteral("a command is needed."));
    const QString command = words.takeFirst();
    const bool reads = command == QLatin1String("status") || command == QLatin1String("watch");
    if (!reads && command != QLatin1String("connect") && command != QLatin1String("disconnect"))
        return usage(QStringLiteral("unknown command '%1'.").arg(printable(command)));
    if ((json || format) && !reads)
        return usage(QStringLiteral("--json and --format go with 'status' and 'watch' only."));
    if (json && format)
        return usage(QStringLiteral("--json and --format do not go together."));
    if (command == QLatin1String("connect") ? words.size() > 1 : !words.isEmpty())
        return usage(command == QLatin1String("connect")
                         ? QStringLiteral("'connect' takes at most one entry name (quote a name with blanks).")
                         : QStringLiteral("'%1' takes no arguments.").arg(command));
    if (format) {
        QString bad;
        formatLine(output.format, nullptr, &bad);
        if (!bad.isEmpty())
            return usage(QStringLiteral("--format: '%1' is not one of {state}, {address}, {entry}, {online}, {public}.")
                             .arg(printable(bad)));
    }
    output.kind = json ? Output::Json : format ? Output::Format : Output::Plain;

    preventAutolaunch();
    if (command == QLatin1String("status"))
        return runStatus(output);
    if (command == QLatin1String("watch")) {
        Watch watch(output);
        return app.exec();
    }
    if (command == QLatin1String("connect"))
        return runCommand(QStringLiteral("Connect"), {words.value(0)});
    return runCommand(QStringLiteral("Disconnect"), {});
}

#include "vantrel-ctl.moc"
