#include "platform/ras/nm/nmservice.h"

#include "platform/ras/nm/nmstates.h"

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

#include <algorithm>
#include <atomic>
#include <optional>
#include <mutex>

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
// A read that failed or came too late is tried again after these waits, each
// twice the last, up to the longest; what was known before stands meanwhile.
constexpr int kRetryFirstMs = 250;
constexpr int kRetryLongestMs = 16000;

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

// NetworkManager's unique name on the bus; empty when it is not there.
QString Owner(const QDBusConnection &bus, int timeoutMs)
{
    QDBusMessage m = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
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
    explicit NmAgent(NmService &service) : m_service(service) {}

public slots:
    NmSettings GetSecrets(const NmSettings &connection, const QDBusObjectPath &connectionPath,
                          const QString &settingName, const QStringList &hints, uint flags)
    {
        Q_UNUSED(connection);
        Q_UNUSED(hints);
        NmSettings answer;
        {
            std::lock_guard lock(m_service.m_mutex);
            // Only NetworkManager itself learns a typed password; any other
            // peer on the bus that asks is refused.
            if (m_service.m_nmOwner.isEmpty() || message().service() != m_service.m_nmOwner) {
                sendErrorReply(kPermissionDenied, QStringLiteral("Only NetworkManager may ask for secrets."));
                return {};
            }
            for (auto &[handle, dial] : m_service.m_dials) {
                if (dial->profilePath != connectionPath.path() || dial->password.isEmpty())
                    continue;
                // Asked again after a failure: the typed password was wrong, and
                // handing it over again would only repeat the failure.
                if ((flags & kRequestNew) && dial->passwordGiven)
                    break;
                if (settingName == QLatin1String("vpn")) {
                    answer[settingName][QStringLiteral("secrets")] = QVariant::fromValue(
                        StringMap{{QStringLiteral("password"), dial->password}});
                } else if (settingName == QLatin1String("pppoe") || settingName == QLatin1String("gsm")
                           || settingName == QLatin1String("cdma")) {
                    answer[settingName][QStringLiteral("password")] = dial->password;
                } else {
                    break;
                }
                dial->passwordGiven = true;
                return answer;
            }
        }
        sendErrorReply(kNoSecrets, QStringLiteral("Vantrel holds no secret for this connection."));
        return {};
    }
    void CancelGetSecrets(const QDBusObjectPath &, const QString &) {}
    // Nothing typed is ever kept.
    void SaveSecrets(const NmSettings &, const QDBusObjectPath &) {}
    void DeleteSecrets(const NmSettings &, const QDBusObjectPath &) {}

private:
    NmService &m_service;
};

// --- the service's thread ------------------------------------------------------------------

class NmWorker : public QObject {
    Q_OBJECT
public:
    explicit NmWorker(NmService &service) : m_s(service), m_bus(QString()), m_name(NewConnectionName()) {}

    QString connectionName() const { return m_name; }

public slots:
    void start()
    {
        m_bus = ConnectBus(m_s.m_options.busAddress, m_name);
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
            {
                std::lock_guard lock(m_s.m_mutex);
                m_s.m_uniqueName = m_bus.baseService();
            }
            m_watcher = new QDBusServiceWatcher(kService, m_bus,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
            connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                    &NmWorker::ownerChanged);
            subscribe();
            m_bus.registerObject(kAgentPath, m_s.m_agent, QDBusConnection::ExportAllSlots);
            const QString owner = Owner(m_bus, m_s.m_options.callTimeoutMs);
            if (!owner.isEmpty())
                up(owner);
        }
        std::lock_guard lock(m_s.m_mutex);
        m_s.m_startDone = true;
        m_s.m_started.notify_all();
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
        std::shared_ptr<NmService::Dial> dial;
        {
            std::lock_guard lock(m_s.m_mutex);
            const auto it = m_s.m_dials.find(handle);
            if (it == m_s.m_dials.end())
                return;
            dial = it->second;
        }
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kManagerPath, kManagerIface,
                                                        QStringLiteral("ActivateConnection"));
        m << QVariant::fromValue(QDBusObjectPath(dial->profilePath))
          << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))
          << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")));
        auto *watch = new QDBusPendingCallWatcher(m_bus.asyncCall(m, kActivateTimeoutMs), this);
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this, dial](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            const QDBusPendingReply<QDBusObjectPath> reply = *w;
            NmService::Reports out;
            QString leftOver;
            {
                std::lock_guard lock(m_s.m_mutex);
                const bool current = m_s.m_dials.count(dial->handle) && m_s.m_dials[dial->handle] == dial;
                if (reply.isError()) {
                    if (current)
                        m_s.failLocked(dial->handle, nm::ErrorForDBusError(reply.error().name()), out);
                } else if (current) {
                    dial->activePath = reply.value().path();
                    m_s.m_handles[dial->activePath] = dial->handle;
                    m_s.stepLocked(*dial, RASCS_PortOpened, out);
                } else if (dial->hungUp) {
                    // Hung up before NetworkManager answered: undo what it started.
                    leftOver = reply.value().path();
                }
            }
            NmService::deliver(out);
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
        connect(watch, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
            w->deleteLater();
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
        NmService::Reports out;
        {
            std::lock_guard lock(m_s.m_mutex);
            for (auto &[handle, dial] : m_s.m_dials) {
                if (dial->activePath != message.path())
                    continue;
                dial->activeReason = reason;
                if (state == nm::AcDeactivated) {
                    m_s.failLocked(handle, nm::ErrorForActiveReason(reason, deviceReasonLocked(*dial)), out);
                } else if (state == nm::AcActivating) {
                    m_s.stepLocked(*dial, RASCS_ConnectDevice, out);
                }
                // Activated is reported by the refresh, once the address is read.
                break;
            }
        }
        NmService::deliver(out);
        scheduleActive();
    }

    void deviceStateChanged(uint newState, uint, uint reason, const QDBusMessage &message)
    {
        NmService::Reports out;
        {
            std::lock_guard lock(m_s.m_mutex);
            // A device starting a new activation forgets why its last one failed.
            if (newState == nm::DevPrepare)
                m_s.m_deviceReasons.erase(message.path());
            else if (reason != 0)
                m_s.m_deviceReasons[message.path()] = reason;
            const std::optional<RASCONNSTATE> step = nm::StepForDeviceState(newState);
            for (auto &[handle, dial] : m_s.m_dials) {
                if (step && dial->devices.contains(message.path())) {
                    m_s.stepLocked(*dial, *step, out);
                    break;
                }
            }
        }
        NmService::deliver(out);
    }

    void refreshActive()
    {
        if (!isUp())
            return;
        const QVariant listed = property(kManagerPath, kManagerIface, QStringLiteral("ActiveConnections"));
        if (!listed.isValid()) {
            retryLater(kRetryActive);
            return;
        }
        const QStringList paths = Paths(FromVariant<QList<QDBusObjectPath>>(listed));

        struct Seen {
            NmService::Active active;
            QString profilePath;
            QString type;
            QStringList devices;
            // Listed, but its own properties could not be read: what was known
            // of it stands until a read succeeds.
            bool unread = false;
        };
        QList<Seen> seen;
        bool incomplete = false;
        for (const QString &path : paths) {
            Seen s;
            s.active.path = path;
            const std::optional<QVariantMap> read = properties(path, kActiveIface);
            if (!read) {
                s.unread = true;
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
            s.active.profilePath = s.profilePath;
            s.active.state = props.value(QStringLiteral("State")).toUInt();
            s.active.connection.entryName = props.value(QStringLiteral("Id")).toString();
            s.active.connection.deviceType = nm::DeviceTypeFor(type);
            if (!s.devices.isEmpty()) {
                const std::optional<QString> name = interfaceOf(s.devices.first());
                s.unread = !name;
                s.active.connection.deviceName = name.value_or(QString());
            }
            const QString ip4 = FromVariant<QDBusObjectPath>(props.value(QStringLiteral("Ip4Config"))).path();
            // An activating connection may carry a half-made configuration; only
            // an activated one has an address to show.
            if (!s.unread && s.active.state == nm::AcActivated && !ip4.isEmpty() && ip4 != QLatin1String("/")) {
                const std::optional<QString> address = firstAddress(ip4);
                s.unread = !address;
                s.active.connection.address = address.value_or(QString());
            }
            seen.append(s);
        }

        NmService::Reports out;
        bool recheck = false;
        {
            std::lock_guard lock(m_s.m_mutex);
            if (!m_s.m_up)
                return;
            std::map<QString, HRASCONN> handles;
            QList<NmService::Active> active;
            for (Seen &s : seen) {
                const auto known = m_s.m_handles.find(s.active.path);
                if (s.unread) {
                    incomplete = true;
                    // A failed or late read says nothing about the connection:
                    // keep it as it was last seen, live or not.
                    if (known == m_s.m_handles.end())
                        continue;
                    handles[s.active.path] = known->second;
                    const auto was = std::find_if(m_s.m_active.cbegin(), m_s.m_active.cend(),
                                                  [&](const NmService::Active &a) { return a.path == s.active.path; });
                    if (was != m_s.m_active.cend())
                        active.append(*was);
                    continue;
                }
                // Bluetooth counts only as dial-up networking, which the profile says.
                if (s.type == QLatin1String("bluetooth")) {
                    const bool dun = std::any_of(m_s.m_profiles.cbegin(), m_s.m_profiles.cend(),
                                                 [&](const NmService::Profile &p) { return p.path == s.profilePath; });
                    if (!dun)
                        continue;
                }
                s.active.handle = known != m_s.m_handles.end() ? known->second : m_s.takeHandleLocked();
                s.active.connection.handle = s.active.handle;
                handles[s.active.path] = s.active.handle;
                if (s.active.state == nm::AcActivating || s.active.state == nm::AcActivated)
                    active.append(s.active);
            }
            // Dials whose connection is known: follow it.
            std::vector<HRASCONN> handlesOfDials;
            for (const auto &[handle, dial] : m_s.m_dials)
                handlesOfDials.push_back(handle);
            for (const HRASCONN handle : handlesOfDials) {
                const std::shared_ptr<NmService::Dial> dial = m_s.m_dials[handle];
                if (dial->activePath.isEmpty())
                    continue;
                handles[dial->activePath] = handle;
                const auto it = std::find_if(seen.cbegin(), seen.cend(),
                                             [&](const Seen &s) { return s.active.path == dial->activePath; });
                if (it != seen.cend() && it->unread)
                    continue; // nothing new learnt; the retry looks again
                if (it == seen.cend() || it->active.state == nm::AcDeactivated) {
                    // Ended. The signal that carries the reason may still be
                    // queued behind this refresh: look once more a little later,
                    // and only then fail with what is known.
                    if (!dial->endSeen) {
                        dial->endSeen = true;
                        recheck = true;
                    } else {
                        m_s.failLocked(handle, nm::ErrorForActiveReason(dial->activeReason, deviceReasonLocked(*dial)), out);
                    }
                    continue;
                }
                dial->devices = it->devices;
                if (const std::optional<RASCONNSTATE> step = nm::StepForActiveState(it->active.state))
                    m_s.stepLocked(*dial, *step, out);
            }
            m_s.m_handles = std::move(handles);
            m_s.m_active = std::move(active);
        }
        NmService::deliver(out);
        if (recheck)
            QTimer::singleShot(kReasonGraceMs, this, &NmWorker::refreshActive);
        if (incomplete)
            retryLater(kRetryActive);
        else
            readSucceeded(kRetryActive);
    }

private:
    bool isUp() const
    {
        std::lock_guard lock(m_s.m_mutex);
        return m_s.m_up;
    }

    void subscribe()
    {
        for (const QString &iface : {kManagerIface, kActiveIface, kIp4Iface}) {
            m_bus.connect(kService, QString(), kPropsIface, QStringLiteral("PropertiesChanged"),
                          QStringList{iface}, QString(), this,
                          SLOT(propertiesChanged(QString,QVariantMap,QStringList)));
            // Older NetworkManager versions emit the change on the interface itself.
            m_bus.connect(kService, QString(), iface, QStringLiteral("PropertiesChanged"), this,
                          SLOT(legacyPropertiesChanged(QVariantMap)));
        }
        m_bus.connect(kService, QString(), kActiveIface, QStringLiteral("StateChanged"), this,
                      SLOT(activeStateChanged(uint,uint,QDBusMessage)));
        m_bus.connect(kService, QString(), kDeviceIface, QStringLiteral("StateChanged"), this,
                      SLOT(deviceStateChanged(uint,uint,uint,QDBusMessage)));
        m_bus.connect(kService, kSettingsPath, kSettingsIface, QStringLiteral("NewConnection"), this,
                      SLOT(profileAddedOrRemoved(QDBusObjectPath)));
        m_bus.connect(kService, kSettingsPath, kSettingsIface, QStringLiteral("ConnectionRemoved"), this,
                      SLOT(profileAddedOrRemoved(QDBusObjectPath)));
        m_bus.connect(kService, QString(), kProfileIface, QStringLiteral("Updated"), this,
                      SLOT(profilesChanged()));
    }

    void up(const QString &owner)
    {
        {
            std::lock_guard lock(m_s.m_mutex);
            m_s.m_up = true;
            m_s.m_nmOwner = owner;
        }
        // NetworkManager forgets its agents when it restarts; register anew each
        // time it appears. Without it a typed password cannot be handed over, and
        // NetworkManager answers such a dial with "no secrets".
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kAgentManagerPath, kAgentManagerIface,
                                                        QStringLiteral("Register"));
        m << QString::fromLatin1(NmService::kAgentIdentifier);
        m_bus.call(m, QDBus::Block, m_s.m_options.callTimeoutMs);
        refreshProfiles();
        refreshActive();
    }

    void down()
    {
        NmService::Reports out;
        {
            std::lock_guard lock(m_s.m_mutex);
            m_s.m_up = false;
            m_s.m_nmOwner.clear();
            m_s.m_profiles.clear();
            m_s.m_active.clear();
            m_s.m_handles.clear();
            m_s.m_deviceReasons.clear();
            std::vector<HRASCONN> dials;
            for (const auto &[handle, dial] : m_s.m_dials)
                dials.push_back(handle);
            for (const HRASCONN handle : dials)
                m_s.failLocked(handle, ERROR_NM_GONE, out);
        }
        m_interfaces.clear();
        m_retryWhat = 0;
        readSucceeded(0);
        NmService::deliver(out);
    }

    void scheduleProfiles()
    {
        if (m_profilesTimer && !m_profilesTimer->isActive())
            m_profilesTimer->start();
    }

    void refreshProfiles()
    {
        if (!isUp())
            return;
        const QDBusMessage listed = call(kSettingsPath, kSettingsIface, QStringLiteral("ListConnections"));
        if (listed.type() != QDBusMessage::ReplyMessage) {
            retryLater(kRetryProfiles);
            return;
        }
        QList<NmService::Profile> profiles;
        bool incomplete = false;
        for (const QString &path : Paths(FromVariant<QList<QDBusObjectPath>>(listed.arguments().value(0)))) {
            const QDBusMessage got = call(path, kProfileIface, QStringLiteral("GetSettings"));
            if (Unanswered(got)) {
                // Too slow to answer is not gone: keep the entry as last read.
                incomplete = true;
                std::lock_guard lock(m_s.m_mutex);
                for (const NmService::Profile &p : std::as_const(m_s.m_profiles))
                    if (p.path == path)
                        profiles.append(p);
                continue;
            }
            if (got.type() != QDBusMessage::ReplyMessage)
                continue; // a profile this user may not read is not an entry
            const NmSettings settings = FromVariant<NmSettings>(got.arguments().value(0));
            const QVariantMap connection = settings.value(QStringLiteral("connection"));
            NmService::Profile p;
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
        {
            std::lock_guard lock(m_s.m_mutex);
            if (m_s.m_up)
                m_s.m_profiles = std::move(profiles);
        }
        if (incomplete)
            retryLater(kRetryProfiles);
        else
            readSucceeded(kRetryProfiles);
    }

    // m_s.m_mutex held.
    unsigned deviceReasonLocked(const NmService::Dial &dial) const
    {
        for (const QString &device : dial.devices) {
            const auto it = m_s.m_deviceReasons.find(device);
            if (it != m_s.m_deviceReasons.end())
                return it->second;
        }
        return 0;
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

    // The configuration's first address, empty when it has none; nothing when
    // NetworkManager did not answer.
    std::optional<QString> firstAddress(const QString &ip4Config)
    {
        bool unanswered = false;
        const QList<QVariantMap> data = FromVariant<QList<QVariantMap>>(
            property(ip4Config, kIp4Iface, QStringLiteral("AddressData"), &unanswered));
        if (unanswered)
            return std::nullopt;
        return data.isEmpty() ? QString() : data.first().value(QStringLiteral("address")).toString();
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

    QDBusMessage call(const QString &path, const QString &iface, const QString &method,
                      const QVariantList &args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, path, iface, method);
        m.setArguments(args);
        return m_bus.call(m, QDBus::Block, m_s.m_options.callTimeoutMs);
    }

    QVariant property(const QString &path, const QString &iface, const QString &name,
                      bool *unanswered = nullptr)
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
    // calm pace and never in a loop.
    void retryLater(unsigned what)
    {
        m_retryWhat |= what;
        m_retryMs = m_retryMs == 0 ? kRetryFirstMs : std::min(m_retryMs * 2, kRetryLongestMs);
        if (m_retryTimer)
            m_retryTimer->start(m_retryMs);
    }

    void readSucceeded(unsigned what)
    {
        m_retryWhat &= ~what;
        if (m_retryWhat != 0)
            return;
        m_retryMs = 0;
        if (m_retryTimer)
            m_retryTimer->stop();
    }

    void retry()
    {
        const unsigned what = m_retryWhat;
        if (what & kRetryProfiles)
            refreshProfiles();
        // The connections depend on the profiles (Bluetooth): read them too.
        refreshActive();
    }

    static constexpr unsigned kRetryActive = 1;
    static constexpr unsigned kRetryProfiles = 2;

    NmService &m_s;
    QDBusConnection m_bus;
    QString m_name;
    QDBusServiceWatcher *m_watcher = nullptr;
    QTimer *m_activeTimer = nullptr;
    QTimer *m_profilesTimer = nullptr;
    std::map<QString, QString> m_interfaces; // device path -> interface name
    QTimer *m_retryTimer = nullptr;
    int m_retryMs = 0;        // the last wait before a retry; 0: nothing to retry
    unsigned m_retryWhat = 0; // kRetryActive, kRetryProfiles
};

// --- the service ---------------------------------------------------------------------------

NmService::NmService(Options options) : m_options(std::move(options))
{
    RegisterTypes();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("NetworkManager"));
    m_worker = new NmWorker(*this);
    m_worker->moveToThread(m_thread.get());
    QObject::connect(m_thread.get(), &QThread::finished, m_worker, &QObject::deleteLater);
    m_agentThread = std::make_unique<QThread>();
    m_agentThread->setObjectName(QStringLiteral("NetworkManager agent"));
    m_agent = new NmAgent(*this);
    m_agent->moveToThread(m_agentThread.get());
    QObject::connect(m_agentThread.get(), &QThread::finished, m_agent, &QObject::deleteLater);
    m_agentThread->start();
    m_thread->start();
    QMetaObject::invokeMethod(m_worker, &NmWorker::start, Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
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

bool NmService::Answers(const QString &busAddress, int timeoutMs)
{
    const QString name = NewConnectionName();
    bool answers = false;
    {
        const QDBusConnection bus = ConnectBus(busAddress, name);
        answers = bus.isConnected() && !Owner(bus, timeoutMs).isEmpty();
    }
    QDBusConnection::disconnectFromBus(name);
    return answers;
}

bool NmService::serviceUp() const
{
    std::lock_guard lock(m_mutex);
    return m_up;
}

QString NmService::uniqueName() const
{
    std::lock_guard lock(m_mutex);
    return m_uniqueName;
}

const NmService::Profile *NmService::findProfileLocked(const QString &entry) const
{
    // The exact id first: NetworkManager's ids are case-sensitive, the
    // program's entry names are not.
    for (const Profile &p : m_profiles)
        if (p.id == entry)
            return &p;
    for (const Profile &p : m_profiles)
        if (p.id.compare(entry, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

HRASCONN NmService::takeHandleLocked()
{
    auto inUse = [this](HRASCONN h) {
        if (h == 0 || m_dials.count(h) || m_failed.count(h))
            return true;
        for (const auto &[path, handle] : m_handles)
            if (handle == h)
                return true;
        return false;
    };
    while (inUse(m_nextHandle))
        ++m_nextHandle;
    return m_nextHandle++;
}

void NmService::stepLocked(Dial &dial, RASCONNSTATE state, Reports &out)
{
    // States only move forward; a late or repeated signal says nothing new.
    if (state <= dial.last)
        return;
    dial.last = state;
    out.push_back({dial.progress, state, 0});
    if (state == RASCS_Connected)
        m_dials.erase(dial.handle);
}

void NmService::failLocked(HRASCONN handle, DWORD error, Reports &out)
{
    const auto it = m_dials.find(handle);
    if (it == m_dials.end())
        return;
    const std::shared_ptr<Dial> dial = it->second;
    out.push_back({dial->progress, dial->last, error});
    m_failed[handle] = {dial->last, error};
    m_dials.erase(it);
    // Its connection, if NetworkManager still lists it, is dead: not a live
    // connection for the poll, nor a reason to refuse the next dial.
    if (!dial->activePath.isEmpty()) {
        m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                      [&](const Active &a) { return a.path == dial->activePath; }),
                       m_active.end());
        m_handles.erase(dial->activePath);
    }
}

void NmService::deliver(const Reports &reports)
{
    for (const Report &r : reports)
        if (r.progress)
            r.progress(r.state, r.error);
}

DWORD NmService::listEntries(QList<QString> *names)
{
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return ERROR_NM_NOT_RUNNING;
    names->clear();
    for (const Profile &p : m_profiles)
        names->append(p.id);
    return 0;
}

DWORD NmService::entryDialParams(const QString &entry, QString *userName, QString *password,
                                 bool *passwordSaved)
{
    std::lock_guard lock(m_mutex);
    if (!m_up)
        return ERROR_NM_NOT_RUNNING;
    const Profile *p = findProfileLocked(entry);
    if (!p)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    *userName = p->userName;
    // NetworkManager keeps its secrets; the program never reads them.
    password->clear();
    *passwordSaved = p->passwordSaved;
    return 0;
}

DWORD NmService::dial(const QString &entry, const QString &userName, const QString &password,
                      std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle)
{
    // The user name is the profile's: changing it would change the profile.
    Q_UNUSED(userName);
    Reports out;
    HRASCONN h = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_up)
            return ERROR_NM_NOT_RUNNING;
        const Profile *p = findProfileLocked(entry);
        if (!p)
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
        // Activating a profile that is up would first take it down.
        for (const Active &a : m_active)
            if (a.profilePath == p->path)
                return ERROR_PORT_ALREADY_OPEN;
        for (const auto &[other, d] : m_dials)
            if (d->profilePath == p->path)
                return ERROR_PORT_ALREADY_OPEN;
        auto d = std::make_shared<Dial>();
        d->handle = h = takeHandleLocked();
        d->profilePath = p->path;
        d->password = password;
        d->progress = std::move(progress);
        m_dials[h] = d;
        out.push_back({d->progress, RASCS_OpenPort, 0});
    }
    *handle = h;
    deliver(out);
    NmWorker *worker = m_worker;
    QMetaObject::invokeMethod(m_worker, [worker, h] { worker->activate(h); }, Qt::QueuedConnection);
    return 0;
}

DWORD NmService::hangUp(HRASCONN handle)
{
    Reports out;
    QString activePath;
    {
        std::lock_guard lock(m_mutex);
        if (const auto it = m_dials.find(handle); it != m_dials.end()) {
            // A dial in progress ends for its caller at once; without a path
            // yet, the answer to the activation undoes it.
            const std::shared_ptr<Dial> dial = it->second;
            dial->hungUp = true;
            activePath = dial->activePath;
            out.push_back({dial->progress, dial->last, ERROR_USER_DISCONNECTION});
            m_dials.erase(it);
            m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                          [&](const Active &x) { return x.path == activePath; }),
                           m_active.end());
        } else if (m_failed.erase(handle)) {
            return 0;
        } else {
            const auto a = std::find_if(m_active.begin(), m_active.end(),
                                        [handle](const Active &x) { return x.handle == handle; });
            if (a == m_active.end())
                return m_up ? ERROR_INVALID_HANDLE : ERROR_NM_NOT_RUNNING;
            // A live connection stays what it is until NetworkManager says it
            // is going: the poll must not log a disconnection that a slow or
            // refusing NetworkManager never made.
            activePath = a->path;
        }
    }
    deliver(out);
    // Only the request is made here, on the service's thread: the caller (the
    // user-interface thread) never waits for the bus.
    if (!activePath.isEmpty()) {
        NmWorker *worker = m_worker;
        QMetaObject::invokeMethod(m_worker, [worker, activePath] { worker->deactivate(activePath); },
                                  Qt::QueuedConnection);
    }
    return 0;
}

DWORD NmService::connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error)
{
    std::lock_guard lock(m_mutex);
    if (const auto it = m_dials.find(handle); it != m_dials.end()) {
        *state = it->second->last;
        *error = 0;
        return 0;
    }
    if (const auto it = m_failed.find(handle); it != m_failed.end()) {
        *state = it->second.state;
        *error = it->second.error;
        return 0;
    }
    for (const Active &a : m_active) {
        if (a.handle == handle) {
            *state = a.state == nm::AcActivated ? RASCS_Connected : RASCS_ConnectDevice;
            *error = 0;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

DWORD NmService::connections(QList<RasLiveConnection> *out)
{
    std::lock_guard lock(m_mutex);
    out->clear();
    for (const Active &a : m_active)
        out->append(a.connection);
    return 0;
}

DWORD NmService::ipProjection(HRASCONN handle, QString *address)
{
    std::lock_guard lock(m_mutex);
    for (const Active &a : m_active) {
        if (a.handle == handle) {
            if (a.connection.address.isEmpty())
                return ERROR_PROJECTION_NOT_COMPLETE;
            *address = a.connection.address;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

} // namespace vantrel

#include "nmservice.moc"
