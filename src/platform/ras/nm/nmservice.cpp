// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/nm/nmservice.h"

#include "platform/logging.h"
#include "platform/ras/nm/nmstates.h"
#include "platform/sockets/interfaces.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>

#include <array>
#include <atomic>
#include <mutex>
#include <optional>

namespace vantrel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManagerIface = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettingsIface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
const QString kProfileIface = QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
const QString kActiveIface = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kDeviceIface = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kIp4Iface = QStringLiteral("org.freedesktop.NetworkManager.IP4Config");
const QString kIp6Iface = QStringLiteral("org.freedesktop.NetworkManager.IP6Config");
const QString kPropsIface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kAgentManagerPath = QStringLiteral("/org/freedesktop/NetworkManager/AgentManager");
const QString kAgentManagerIface = QStringLiteral("org.freedesktop.NetworkManager.AgentManager");
const QString kAgentPath = QStringLiteral("/org/freedesktop/NetworkManager/SecretAgent");
const QString kNoSecrets = QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.NoSecrets");
const QString kPermissionDenied = QStringLiteral("org.freedesktop.NetworkManager.SecretAgent.PermissionDenied");

// NM_SECRET_AGENT_GET_SECRETS_FLAG_REQUEST_NEW: the secrets given before failed.
constexpr uint kRequestNew = 0x2;
// How long NetworkManager may take to accept an activation; a polkit prompt may
// be answered meanwhile.
constexpr int kActivateTimeoutMs = 60000;
// Signals come in bursts (one change emits several); one refresh serves them all.
constexpr int kCoalesceMs = 20;
// How long an ended activation waits for the signal that says why.
constexpr int kReasonGraceMs = 250;

using NmSettings = QMap<QString, QVariantMap>;
using StringMap = QMap<QString, QString>;

void RegisterTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<NmSettings>();
        // The agent's slots name the type by its alias, and Qt DBus looks the
        // slots' types up by name.
        qRegisterMetaType<NmSettings>("NmSettings");
        qDBusRegisterMetaType<QList<QVariantMap>>();
        qDBusRegisterMetaType<StringMap>();
        qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    });
}

// Values inside variants arrive as QDBusArgument unless Qt knows their type.
template <typename T>
T FromVariant(const QVariant &v)
{
    if (v.userType() == qMetaTypeId<QDBusArgument>())
        return qdbus_cast<T>(v.value<QDBusArgument>());
    return v.value<T>();
}

QStringList Paths(const QList<QDBusObjectPath> &list)
{
    QStringList out;
    for (const QDBusObjectPath &p : list)
        out.append(p.path());
    return out;
}

QString NewConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vantrel-nm-%1").arg(++counter);
}

QDBusConnection ConnectBus(const QString &address, const QString &name)
{
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    return QDBusConnection::connectToBus(address, name);
}

// NetworkManager's unique name on the bus; empty when it is not there. Asked
// on the service's thread, like every blocking call of this backend.
QString Owner(const QDBusConnection &bus, int timeoutMs)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    m << kService;
    const QDBusMessage r = bus.call(m, QDBus::Block, timeoutMs);
    return r.type() == QDBusMessage::ReplyMessage ? r.arguments().value(0).toString() : QString();
}

} // namespace

// --- the secret agent ----------------------------------------------------------------
// NetworkManager asks registered agents for secrets it lacks. This one answers
// only for a dial of this program in progress with a typed password, once per
// dial, and saves nothing: the password lives in the dial's record alone.
class NmAgent : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.SecretAgent")
public:
    explicit NmAgent(NmCache &cache) : m_cache(cache) {}

public slots:
    NmSettings GetSecrets(const NmSettings &connection, const QDBusObjectPath &connectionPath, const QString &settingName,
                          const QStringList &hints, uint flags)
    {
        Q_UNUSED(connection);
        Q_UNUSED(hints);
        // Only NetworkManager itself learns a typed password; any other peer
        // on the bus that asks is refused.
        if (!m_cache.isNetworkManager(message().service())) {
            qCWarning(lcNm) << "Refused a request for secrets from" << message().service() << "which is not NetworkManager";
            sendErrorReply(kPermissionDenied, QStringLiteral("Only NetworkManager may ask for secrets."));
            return {};
        }
        const bool vpn = settingName == QLatin1String("vpn");
        const bool plain = settingName == QLatin1String("pppoe") || settingName == QLatin1String("gsm")
                           || settingName == QLatin1String("cdma");
        // Asked again after a failure, the typed password was wrong: handing
        // it over again would only repeat the failure.
        const std::optional<QString> password = vpn || plain
                                                    ? m_cache.takePassword(connectionPath.path(), flags & kRequestNew)
                                                    : std::nullopt;
        qCDebug(lcNm) << "NetworkManager asks for the" << settingName << "secrets of" << connectionPath.path()
                      << (password ? "- the typed password is handed over" : "- none to give");
        if (password) {
            NmSettings answer;
            if (vpn)
                answer[settingName][QStringLiteral("secrets")] = QVariant::fromValue(
                    StringMap{{QStringLiteral("password"), *password}});
            else
                answer[settingName][QStringLiteral("password")] = *password;
            return answer;
        }
        sendErrorReply(kNoSecrets, QStringLiteral("Vantrel holds no secret for this connection."));
        return {};
    }
    void CancelGetSecrets(const QDBusObjectPath &, const QString &) {}
    // Nothing typed is ever kept.
    void SaveSecrets(const NmSettings &, const QDBusObjectPath &) {}
    void DeleteSecrets(const NmSettings &, const QDBusObjectPath &) {}

private:
    NmCache &m_cache;
};

// --- the service's thread ------------------------------------------------------------------

class NmWorker : public QObject {
    Q_OBJECT
public:
    NmWorker(NmCache &cache, const NmService::Options &options, QObject *agent, std::function<void()> started)
        : m_cache(cache), m_options(options), m_agent(agent), m_started(std::move(started)), m_bus(QString()),
          m_name(NewConnectionName())
    {
    }

    QString connectionName() const { return m_name; }

public slots:
    void start()
    {
        m_bus = ConnectBus(m_options.busAddress, m_name);
        m_activeTimer = new QTimer(this);
        m_activeTimer->setSingleShot(true);
        m_activeTimer->setInterval(kCoalesceMs);
        connect(m_activeTimer, &QTimer::timeout, this, &NmWorker::refreshActive);
        m_profilesTimer = new QTimer(this);
        m_profilesTimer->setSingleShot(true);
        m_profilesTimer->setInterval(kCoalesceMs);
        connect(m_profilesTimer, &QTimer::timeout, this, [this] {
            refreshProfiles();
            refreshActive();
        });
        m_retryTimer = new QTimer(this);
        m_retryTimer->setSingleShot(true);
        connect(m_retryTimer, &QTimer::timeout, this, &NmWorker::retry);

        if (m_bus.isConnected()) {
            m_cache.setUniqueName(m_bus.baseService());
            m_watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &NmWorker::ownerChanged);
            subscribe();
            m_bus.registerObject(kAgentPath, m_agent, QDBusConnection::ExportAllSlots);
            const QString owner = Owner(m_bus, m_options.callTimeoutMs);
            if (!owner.isEmpty())
                up(owner);
            else
                qCDebug(lcNm) << "NetworkManager is not on the system bus";
        } else {
            qCDebug(lcNm) << "The system bus cannot be reached:" << m_bus.lastError().message();
        }
        m_started();
    }

    void stop()
    {
        if (m_bus.isConnected())
            m_bus.unregisterObject(kAgentPath);
        delete m_watcher;
        m_watcher = nullptr;
        delete m_activeTimer;
        m_activeTimer = nullptr;
        delete m_profilesTimer;
        m_profilesTimer = nullptr;
        delete m_retryTimer;
        m_retryTimer = nullptr;
        QDBusConnection::disconnectFromBus(m_name);
    }

    void activate(HRASCONN handle)
    {
        const std::optional<NmCache::DialRequest> request = m_cache.dialRequest(handle);
        if (!request)
            return;
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kManagerPath, kManagerIface,
                                                        QStringLiteral("ActivateConnection"));
        m << QVariant::fromValue(QDBusObjectPath(request->profilePath))
          << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))
          << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
        auto *watch = new QDBusPendingCallWatcher(m_bus.asyncCall(m, kActivateTimeoutMs), this);
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this, request = *request](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *w;
            QString leftOver;
            if (reply.isError()) {
                qCWarning(lcNm) << "NetworkManager refused to activate" << request.profilePath << reply.error().name()
                                << reply.error().message();
                NmCache::Deliver(m_cache.activationRefused(request, nm::ErrorForDBusError(reply.error().name())));
            } else {
                NmCache::Deliver(m_cache.activationAccepted(request, reply.value().path(), &leftOver));
            }
            if (!leftOver.isEmpty())
                deactivate(leftOver);
            refreshActive();
        });
    }

    // Asks NetworkManager to take the connection down and waits for nothing:
    // the connection is gone when NetworkManager's own signals say so. A
    // refusal leaves it up, which the next refresh confirms.
    void deactivate(const QString &activePath)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kManagerPath, kManagerIface,
                                                        QStringLiteral("DeactivateConnection"));
        m << QVariant::fromValue(QDBusObjectPath(activePath));
        // A polkit prompt may be answered meanwhile, as for an activation.
        auto *watch = new QDBusPendingCallWatcher(m_bus.asyncCall(m, kActivateTimeoutMs), this);
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this, activePath](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            if (w->isError())
                qCWarning(lcNm) << "NetworkManager refused to deactivate" << activePath << w->error().name()
                                << w->error().message();
            scheduleActive();
        });
    }

    void scheduleActive()
    {
        if (m_activeTimer && !m_activeTimer->isActive())
            m_activeTimer->start();
    }

private slots:
    void ownerChanged(const QString &, const QString &oldOwner, const QString &newOwner)
    {
        // A restart can show as one change from the old owner to the new.
        if (!oldOwner.isEmpty())
            down();
        if (!newOwner.isEmpty())
            up(newOwner);
    }

    void propertiesChanged(const QString &, const QVariantMap &, const QStringList &) { scheduleActive(); }
    void legacyPropertiesChanged(const QVariantMap &) { scheduleActive(); }
    void profilesChanged() { scheduleProfiles(); }
    void profileAddedOrRemoved(const QDBusObjectPath &) { scheduleProfiles(); }

    void activeStateChanged(uint state, uint reason, const QDBusMessage &message)
    {
        NmCache::Deliver(m_cache.activeStateChanged(message.path(), state, reason));
        scheduleActive();
    }

    void deviceStateChanged(uint newState, uint, uint reason, const QDBusMessage &message)
    {
        NmCache::Deliver(m_cache.deviceStateChanged(message.path(), newState, reason));
    }

    void refreshActive()
    {
        if (!m_cache.isUp())
            return;
        const QVariant listed = property(kManagerPath, kManagerIface, QStringLiteral("ActiveConnections"));
        if (!listed.isValid()) {
            qCDebug(lcNm) << "Listing the active connections failed";
            retryLater(NmCache::ReadActive);
            return;
        }
        QList<NmCache::ActiveRead> seen;
        bool incomplete = false;
        for (const QString &path : Paths(FromVariant<QList<QDBusObjectPath>>(listed))) {
            NmCache::ActiveRead s;
            s.path = path;
            const std::optional<QVariantMap> read = properties(path, kActiveIface);
            if (!read) {
                s.unread = true;
                incomplete = true;
                seen.append(s);
                continue;
            }
            const QVariantMap &props = *read;
            const QString type = props.value(QStringLiteral("Type")).toString();
            if (!nm::IsDialKind(type))
                continue;
            s.type = type;
            s.profilePath = FromVariant<QDBusObjectPath>(props.value(QStringLiteral("Connection"))).path();
            s.devices = Paths(FromVariant<QList<QDBusObjectPath>>(props.value(QStringLiteral("Devices"))));
            s.state = props.value(QStringLiteral("State")).toUInt();
            s.connection.entryName = props.value(QStringLiteral("Id")).toString();
            s.connection.deviceType = nm::DeviceTypeFor(type);
            if (!s.devices.isEmpty()) {
                const std::optional<QString> name = interfaceOf(s.devices.first());
                s.unread = !name;
                s.connection.deviceName = name.value_or(QString());
            }
            // An activating connection may carry a half-made configuration; only
            // an activated one has an address to show.
            if (!s.unread && s.state == nm::AcActivated) {
                const std::optional<QString> address = addressOf(props);
                s.unread = !address;
                s.connection.address = address.value_or(QString());
            }
            incomplete = incomplete || s.unread;
            seen.append(s);
        }

        const NmCache::ActiveApplied applied = m_cache.applyActive(seen);
        if (!applied.applied)
            return;
        NmCache::Deliver(applied.reports);
        if (applied.recheck)
            QTimer::singleShot(kReasonGraceMs, this, &NmWorker::refreshActive);
        if (incomplete)
            retryLater(NmCache::ReadActive);
        else
            readSucceeded(NmCache::ReadActive);
    }

private:
    void subscribe()
    {
        for (const QString &iface : {kManagerIface, kActiveIface, kIp4Iface, kIp6Iface}) {
            m_bus.connect(kService, QString(), kPropsIface, QStringLiteral("PropertiesChanged"), QStringList{iface},
                          QString(), this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
            // Older NetworkManager versions emit the change on the interface itself.
            m_bus.connect(kService, QString(), iface, QStringLiteral("PropertiesChanged"), this,
                          SLOT(legacyPropertiesChanged(QVariantMap)));
        }
        m_bus.connect(kService, QString(), kActiveIface, QStringLiteral("StateChanged"), this,
                      SLOT(activeStateChanged(uint, uint, QDBusMessage)));
        m_bus.connect(kService, QString(), kDeviceIface, QStringLiteral("StateChanged"), this,
                      SLOT(deviceStateChanged(uint, uint, uint, QDBusMessage)));
        m_bus.connect(kService, kSettingsPath, kSettingsIface, QStringLiteral("NewConnection"), this,
                      SLOT(profileAddedOrRemoved(QDBusObjectPath)));
        m_bus.connect(kService, kSettingsPath, kSettingsIface, QStringLiteral("ConnectionRemoved"), this,
                      SLOT(profileAddedOrRemoved(QDBusObjectPath)));
        m_bus.connect(kService, QString(), kProfileIface, QStringLiteral("Updated"), this, SLOT(profilesChanged()));
    }

    void up(const QString &owner)
    {
        qCDebug(lcNm) << "NetworkManager is on the system bus as" << owner;
        m_cache.wentUp(owner);
        // NetworkManager forgets its agents when it restarts; register anew each
        // time it appears. Without it a typed password cannot be handed over, and
        // NetworkManager answers such a dial with "no secrets".
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kAgentManagerPath, kAgentManagerIface,
                                                        QStringLiteral("Register"));
        m << QString::fromLatin1(NmService::kAgentIdentifier);
        const QDBusMessage registered = m_bus.call(m, QDBus::Block, m_options.callTimeoutMs);
        if (registered.type() != QDBusMessage::ReplyMessage)
            qCWarning(lcNm) << "The secret agent could not register; typed passwords cannot be handed over:"
                            << registered.errorName() << registered.errorMessage();
        refreshProfiles();
        refreshActive();
    }

    void down()
    {
        qCDebug(lcNm) << "NetworkManager left the system bus";
        const NmCache::Reports out = m_cache.wentDown();
        m_interfaces.clear();
        if (m_retryTimer)
            m_retryTimer->stop();
        NmCache::Deliver(out);
    }

    void scheduleProfiles()
    {
        if (m_profilesTimer && !m_profilesTimer->isActive())
            m_profilesTimer->start();
    }

    void refreshProfiles()
    {
        if (!m_cache.isUp())
            return;
        const QDBusMessage listed = call(kSettingsPath, kSettingsIface, QStringLiteral("ListConnections"));
        if (listed.type() != QDBusMessage::ReplyMessage) {
            qCDebug(lcNm) << "Listing the profiles failed:" << listed.errorName() << listed.errorMessage();
            retryLater(NmCache::ReadProfiles);
            return;
        }
        QList<NmCache::Profile> profiles;
        bool incomplete = false;
        for (const QString &path : Paths(FromVariant<QList<QDBusObjectPath>>(listed.arguments().value(0)))) {
            const QDBusMessage got = call(path, kProfileIface, QStringLiteral("GetSettings"));
            if (Unanswered(got)) {
                // Too slow to answer is not gone: keep the entry as last read.
                incomplete = true;
                if (const std::optional<NmCache::Profile> last = m_cache.lastRead(path))
                    profiles.append(*last);
                continue;
            }
            if (got.type() != QDBusMessage::ReplyMessage)
                continue; // a profile this user may not read is not an entry
            const NmSettings settings = FromVariant<NmSettings>(got.arguments().value(0));
            const QVariantMap connection = settings.value(QStringLiteral("connection"));
            NmCache::Profile p;
            p.path = path;
            p.id = connection.value(QStringLiteral("id")).toString();
            p.type = connection.value(QStringLiteral("type")).toString();
            if (!nm::IsDialKind(p.type) || p.id.isEmpty())
                continue;
            uint flags = 0;
            if (p.type == QLatin1String("vpn")) {
                const QVariantMap vpn = settings.value(QStringLiteral("vpn"));
                const StringMap data = FromVariant<StringMap>(vpn.value(QStringLiteral("data")));
                p.userName = data.value(QStringLiteral("username"), data.value(QStringLiteral("user")));
                if (p.userName.isEmpty())
                    p.userName = vpn.value(QStringLiteral("user-name")).toString();
                flags = data.value(QStringLiteral("password-flags")).toUInt();
            } else if (p.type == QLatin1String("wireguard")) {
                flags = settings.value(QStringLiteral("wireguard")).value(QStringLiteral("private-key-flags")).toUInt();
            } else {
                QString setting = p.type;
                if (p.type == QLatin1String("bluetooth")) {
                    if (settings.value(QStringLiteral("bluetooth")).value(QStringLiteral("type")).toString()
                        != QLatin1String("dun"))
                        continue;
                    setting = settings.contains(QStringLiteral("cdma")) ? QStringLiteral("cdma") : QStringLiteral("gsm");
                }
                const QVariantMap s = settings.value(setting);
                p.userName = s.value(QStringLiteral("username")).toString();
                flags = s.value(QStringLiteral("password-flags")).toUInt();
            }
            p.passwordSaved = nm::PasswordSaved(flags);
            profiles.append(p);
        }
        m_cache.applyProfiles(std::move(profiles));
        if (incomplete)
            retryLater(NmCache::ReadProfiles);
        else
            readSucceeded(NmCache::ReadProfiles);
    }

    // The device's interface name; nothing when NetworkManager did not answer.
    std::optional<QString> interfaceOf(const QString &device)
    {
        const auto it = m_interfaces.find(device);
        if (it != m_interfaces.end())
            return it->second;
        bool unanswered = false;
        QString name = property(device, kDeviceIface, QStringLiteral("IpInterface"), &unanswered).toString();
        if (name.isEmpty() && !unanswered)
            name = property(device, kDeviceIface, QStringLiteral("Interface"), &unanswered).toString();
        if (unanswered)
            return std::nullopt;
        m_interfaces[device] = name;
        return name;
    }

    // The address to show of an activated connection: the first IPv4 one, else
    // the best IPv6 one; empty when it has neither; nothing when NetworkManager
    // did not answer.
    std::optional<QString> addressOf(const QVariantMap &active)
    {
        const auto config = [&](const char *name) {
            const QString path = FromVariant<QDBusObjectPath>(active.value(QLatin1String(name))).path();
            return path == QLatin1String("/") ? QString() : path;
        };
        const QString ip4 = config("Ip4Config");
        if (!ip4.isEmpty()) {
            const std::optional<QList<QVariantMap>> data = addressData(ip4, kIp4Iface);
            if (!data)
                return std::nullopt;
            if (!data->isEmpty())
                return data->first().value(QStringLiteral("address")).toString();
        }
        const QString ip6 = config("Ip6Config");
        if (ip6.isEmpty())
            return QString();
        const std::optional<QList<QVariantMap>> data = addressData(ip6, kIp6Iface);
        if (!data)
            return std::nullopt;
        return BestIpv6(*data);
    }

    // Nothing when NetworkManager did not answer.
    std::optional<QList<QVariantMap>> addressData(const QString &config, const QString &iface)
    {
        bool unanswered = false;
        const QVariant data = property(config, iface, QStringLiteral("AddressData"), &unanswered);
        if (unanswered)
            return std::nullopt;
        return FromVariant<QList<QVariantMap>>(data);
    }

    // A global address before a unique local one, each kind in NetworkManager's
    // order; never link-local or loopback, which say nothing to anyone else.
    // The text is rewritten in the shortest form, so it is at most 39
    // characters and holds nothing NetworkManager's string might have added.
    static QString BestIpv6(const QList<QVariantMap> &data)
    {
        QString best;
        Ipv6Kind bestKind = Ipv6Kind::Loopback;
        for (const QVariantMap &entry : data) {
            const QByteArray text = entry.value(QStringLiteral("address")).toString().toLatin1();
            std::array<BYTE, 16> bytes{};
            if (inet_pton(AF_INET6, text.constData(), bytes.data()) != 1)
                continue;
            const Ipv6Kind kind = ClassifyIpv6(bytes);
            if (kind <= bestKind)
                continue;
            char shortest[INET6_ADDRSTRLEN] = {};
            if (!inet_ntop(AF_INET6, bytes.data(), shortest, sizeof shortest))
                continue;
            best = QString::fromLatin1(shortest);
            bestKind = kind;
        }
        return best;
    }

    // A call that timed out or lost the bus asked NetworkManager nothing; any
    // other error is NetworkManager's answer.
    static bool Unanswered(const QDBusMessage &reply)
    {
        if (reply.type() == QDBusMessage::ReplyMessage)
            return false;
        const QString name = reply.errorName();
        return name == QLatin1String("org.freedesktop.DBus.Error.NoReply")
               || name == QLatin1String("org.freedesktop.DBus.Error.Timeout")
               || name == QLatin1String("org.freedesktop.DBus.Error.TimedOut")
               || name == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
    }

    QDBusMessage call(const QString &path, const QString &iface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, method);
        m.setArguments(args);
        return m_bus.call(m, QDBus::Block, m_options.callTimeoutMs);
    }

    QVariant property(const QString &path, const QString &iface, const QString &name, bool *unanswered = nullptr)
    {
        const QDBusMessage r = call(path, kPropsIface, QStringLiteral("Get"), {iface, name});
        if (unanswered)
            *unanswered = Unanswered(r);
        if (r.type() != QDBusMessage::ReplyMessage)
            return {};
        return r.arguments().value(0).value<QDBusVariant>().variant();
    }

    // Nothing on any error: the object was listed, so an error is no answer
    // about it.
    std::optional<QVariantMap> properties(const QString &path, const QString &iface)
    {
        const QDBusMessage r = call(path, kPropsIface, QStringLiteral("GetAll"), {iface});
        if (r.type() != QDBusMessage::ReplyMessage)
            return std::nullopt;
        return FromVariant<QVariantMap>(r.arguments().value(0));
    }

    // A read that failed is tried again later, waiting twice as long each
    // time up to a limit, so a NetworkManager that stays slow is asked at a
    // calm pace and never in a loop; what was known before stands meanwhile.
    void retryLater(unsigned reads)
    {
        const int waitMs = m_cache.readFailed(reads);
        // Said as a warning when the reads start failing; the later, slower
        // retries only on the debug level.
        const char *what = reads & NmCache::ReadProfiles ? "profiles" : "active connections";
        if (waitMs == NmCache::kRetryFirstMs)
            qCWarning(lcNm) << "NetworkManager left some" << what << "unread; asking again in" << waitMs << "ms";
        else
            qCDebug(lcNm) << "NetworkManager left some" << what << "unread; asking again in" << waitMs << "ms";
        if (m_retryTimer)
            m_retryTimer->start(waitMs);
    }

    void readSucceeded(unsigned reads)
    {
        if (m_cache.readSucceeded(reads) && m_retryTimer)
            m_retryTimer->stop();
    }

    void retry()
    {
        if (m_cache.dueForRetry() & NmCache::ReadProfiles)
            refreshProfiles();
        // The connections depend on the profiles (Bluetooth): read them too.
        refreshActive();
    }

    NmCache &m_cache;
    const NmService::Options m_options;
    QObject *m_agent;
    std::function<void()> m_started;
    QDBusConnection m_bus;
    QString m_name;
    QDBusServiceWatcher *m_watcher = nullptr;
    QTimer *m_activeTimer = nullptr;
    QTimer *m_profilesTimer = nullptr;
    std::map<QString, QString> m_interfaces; // device path -> interface name
    QTimer *m_retryTimer = nullptr;
};

// --- the service ---------------------------------------------------------------------------

NmService::NmService(Options options) : m_options(std::move(options))
{
    RegisterTypes();
    m_agentThread = std::make_unique<QThread>();
    m_agentThread->setObjectName(QStringLiteral("NetworkManager agent"));
    m_agent = new NmAgent(m_cache);
    m_agent->moveToThread(m_agentThread.get());
    QObject::connect(m_agentThread.get(), &QThread::finished, m_agent, &QObject::deleteLater);
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("NetworkManager"));
    m_worker = new NmWorker(m_cache, m_options, m_agent, [this] {
        std::lock_guard lock(m_startMutex);
        m_startDone = true;
        m_started.notify_all();
    });
    m_worker->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    m_agentThread->start();
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &NmWorker::start, Qt::QueuedConnection);
    std::unique_lock lock(m_startMutex);
    m_started.wait_for(lock, std::chrono::milliseconds(m_options.startWaitMs), [this] { return m_startDone; });
}

NmService::~NmService()
{
    QMetaObject::invokeMethod(m_worker, &NmWorker::stop, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    m_agentThread->quit();
    m_agentThread->wait();
}

bool NmService::serviceUp() const
{
    return m_cache.isUp();
}

QString NmService::uniqueName() const
{
    return m_cache.uniqueName();
}

DWORD NmService::listEntries(QList<QString> *names)
{
    return m_cache.entryNames(names);
}

DWORD NmService::entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved)
{
    NmCache::Profile p;
    if (const DWORD error = m_cache.profileFor(entry, &p))
        return error;
    *userName = p.userName;
    // NetworkManager keeps its secrets; the program never reads them.
    password->clear();
    *passwordSaved = p.passwordSaved;
    return 0;
}

DWORD NmService::dial(const QString &entry, const QString &userName, const QString &password,
                      std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle)
{
    // The user name is the profile's: changing it would change the profile.
    Q_UNUSED(userName);
    NmCache::Reports out;
    HRASCONN h = 0;
    if (const DWORD error = m_cache.startDial(entry, password, std::move(progress), &h, out))
        return error;
    *handle = h;
    NmCache::Deliver(out);
    NmWorker *worker = m_worker;
    QMetaObject::invokeMethod(
        m_worker, [worker, h] { worker->activate(h); }, Qt::QueuedConnection);
    return 0;
}

DWORD NmService::hangUp(HRASCONN handle)
{
    NmCache::Reports out;
    QString activePath;
    if (const DWORD error = m_cache.hangUp(handle, out, &activePath))
        return error;
    NmCache::Deliver(out);
    // Only the request is made here, on the service's thread: the caller (the
    // user-interface thread) never waits for the bus.
    if (!activePath.isEmpty()) {
        NmWorker *worker = m_worker;
        QMetaObject::invokeMethod(
            m_worker, [worker, activePath] { worker->deactivate(activePath); }, Qt::QueuedConnection);
    }
    return 0;
}

DWORD NmService::connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error)
{
    return m_cache.status(handle, state, error);
}

DWORD NmService::connections(QList<RasLiveConnection> *out)
{
    *out = m_cache.liveConnections();
    return 0;
}

DWORD NmService::ipProjection(HRASCONN handle, QString *address)
{
    return m_cache.address(handle, address);
}

} // namespace vantrel

#include "nmservice.moc"
