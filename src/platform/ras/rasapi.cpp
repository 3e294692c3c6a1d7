// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/ras.h"

#include "platform/ras/rasservice.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace vantrel {

namespace {

struct ErrorText {
    DWORD code;
    const char *text;
};

// Our own wording; each text is short enough for the 100-byte buffer the program uses.
// The service answers in English; the dialer translates a text where it shows it.
constexpr ErrorText kErrorTexts[] = {
    {ERROR_INVALID_HANDLE,
     QT_TRANSLATE_NOOP("RasStatusText", "The connection handle is not valid; the connection may have ended.")},
    {ERROR_NOT_ENOUGH_MEMORY, QT_TRANSLATE_NOOP("RasStatusText", "There is not enough memory to complete the operation.")},
    {ERROR_INVALID_PARAMETER,
     QT_TRANSLATE_NOOP("RasStatusText", "A value passed to the remote access service is not valid.")},
    {ERROR_INSUFFICIENT_BUFFER, QT_TRANSLATE_NOOP("RasStatusText", "The buffer given for the text is too small.")},
    {PENDING, QT_TRANSLATE_NOOP("RasStatusText", "The operation has not finished yet.")},
    {ERROR_INVALID_PORT_HANDLE, QT_TRANSLATE_NOOP("RasStatusText", "The port handle is not valid.")},
    {ERROR_PORT_ALREADY_OPEN, QT_TRANSLATE_NOOP("RasStatusText", "The port is already open.")},
    {ERROR_BUFFER_TOO_SMALL,
     QT_TRANSLATE_NOOP("RasStatusText", "The buffer given is too small for the information asked for.")},
    {ERROR_WRONG_INFO_SPECIFIED, QT_TRANSLATE_NOOP("RasStatusText", "The port information given is wrong.")},
    {ERROR_PORT_NOT_CONNECTED, QT_TRANSLATE_NOOP("RasStatusText", "The port is not connected.")},
    {ERROR_DEVICE_DOES_NOT_EXIST, QT_TRANSLATE_NOOP("RasStatusText", "The device does not exist.")},
    {ERROR_PORT_NOT_FOUND, QT_TRANSLATE_NOOP("RasStatusText", "The port could not be found.")},
    {ERROR_ALREADY_DISCONNECTING, QT_TRANSLATE_NOOP("RasStatusText", "The connection is already being closed.")},
    {ERROR_PORT_NOT_OPEN, QT_TRANSLATE_NOOP("RasStatusText", "The port is not open.")},
    {ERROR_PORT_DISCONNECTED, QT_TRANSLATE_NOOP("RasStatusText", "The line was dropped.")},
    {ERROR_CANNOT_OPEN_PHONEBOOK, QT_TRANSLATE_NOOP("RasStatusText", "The phonebook file cannot be opened.")},
    {ERROR_CANNOT_LOAD_PHONEBOOK, QT_TRANSLATE_NOOP("RasStatusText", "The phonebook file cannot be read.")},
    {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, QT_TRANSLATE_NOOP("RasStatusText", "The phonebook has no entry of that name.")},
    {ERROR_CANNOT_WRITE_PHONEBOOK, QT_TRANSLATE_NOOP("RasStatusText", "The phonebook file cannot be written.")},
    {ERROR_CORRUPT_PHONEBOOK, QT_TRANSLATE_NOOP("RasStatusText", "The phonebook holds information that is not valid.")},
    {ERROR_DISCONNECTION, QT_TRANSLATE_NOOP("RasStatusText", "The connection was closed.")},
    {ERROR_REMOTE_DISCONNECTION, QT_TRANSLATE_NOOP("RasStatusText", "The remote computer closed the connection.")},
    {ERROR_HARDWARE_FAILURE, QT_TRANSLATE_NOOP("RasStatusText", "The connection was closed because the device failed.")},
    {ERROR_USER_DISCONNECTION, QT_TRANSLATE_NOOP("RasStatusText", "The connection was closed by the user.")},
    {ERROR_INVALID_SIZE,
     QT_TRANSLATE_NOOP("RasStatusText", "A record passed to the remote access service has the wrong size.")},
    {ERROR_PORT_NOT_AVAILABLE, QT_TRANSLATE_NOOP("RasStatusText", "The port is in use or is not set up for dialling out.")},
    {ERROR_CANNOT_PROJECT_CLIENT,
     QT_TRANSLATE_NOOP("RasStatusText", "The computer could not be registered on the remote network.")},
    {ERROR_UNKNOWN, QT_TRANSLATE_NOOP("RasStatusText", "An error of unknown cause occurred.")},
    {ERROR_REQUEST_TIMEOUT, QT_TRANSLATE_NOOP("RasStatusText", "The request took too long and was given up.")},
    {ERROR_LINE_BUSY, QT_TRANSLATE_NOOP("RasStatusText", "The line is busy. Try again later.")},
    {ERROR_VOICE_ANSWER, QT_TRANSLATE_NOOP("RasStatusText", "A voice answered instead of a modem.")},
    {ERROR_NO_ANSWER, QT_TRANSLATE_NOOP("RasStatusText", "The number dialled did not answer.")},
    {ERROR_NO_CARRIER, QT_TRANSLATE_NOOP("RasStatusText", "No carrier: the modems could not agree on a connection.")},
    {ERROR_NO_DIALTONE, QT_TRANSLATE_NOOP("RasStatusText", "There is no dial tone. Check that the line is plugged in.")},
    {ERROR_AUTHENTICATION_FAILURE,
     QT_TRANSLATE_NOOP("RasStatusText", "The remote network did not accept the user name or password.")},
    {ERROR_PPP_TIMEOUT, QT_TRANSLATE_NOOP("RasStatusText", "The remote computer did not answer in time.")},
    {ERROR_PPP_NO_RESPONSE, QT_TRANSLATE_NOOP("RasStatusText", "The remote computer does not respond.")},
    {ERROR_PROJECTION_NOT_COMPLETE, QT_TRANSLATE_NOOP("RasStatusText", "The connection has no network address yet.")},
    {ERROR_PROTOCOL_NOT_CONFIGURED, QT_TRANSLATE_NOOP("RasStatusText", "The connection has no IPv4 address.")},
    {ERROR_NM_NOT_RUNNING,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager is not running, so no connection can be listed or made.")},
    {ERROR_NM_GONE, QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager stopped while the connection was being made.")},
    {ERROR_NM_NO_SECRETS,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager had no password or key for the connection (no secrets).")},
    {ERROR_NM_TIMEOUT, QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager gave up: the connection attempt timed out.")},
    {ERROR_NM_DEVICE_GONE, QT_TRANSLATE_NOOP("RasStatusText", "The device of the connection was removed.")},
    {ERROR_NM_NO_DEVICE,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager has no device that can carry this connection now.")},
    {ERROR_NM_NOT_AUTHORIZED,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager does not allow this user to start or stop the connection.")},
    {ERROR_NM_SERVICE_STOPPED, QT_TRANSLATE_NOOP("RasStatusText", "The VPN service of the connection stopped.")},
    {ERROR_NM_SERVICE_START,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager could not start the VPN service of the connection.")},
    {ERROR_NM_NO_ADDRESS, QT_TRANSLATE_NOOP("RasStatusText", "The connection got no valid network address.")},
    {ERROR_NM_PROFILE_REMOVED, QT_TRANSLATE_NOOP("RasStatusText", "The connection was deleted from NetworkManager.")},
    {ERROR_NM_DEPENDENCY, QT_TRANSLATE_NOOP("RasStatusText", "A connection this one depends on could not be brought up.")},
    {ERROR_NM_SIM,
     QT_TRANSLATE_NOOP("RasStatusText", "The modem's SIM card is missing, locked (PIN or PUK) or was refused.")},
    {ERROR_NM_MOBILE_NETWORK,
     QT_TRANSLATE_NOOP("RasStatusText", "The modem could not register with the mobile network or its APN.")},
    {ERROR_NM_PPP, QT_TRANSLATE_NOOP("RasStatusText", "The PPP link could not be started or broke down.")},
    {ERROR_NM_BLUETOOTH, QT_TRANSLATE_NOOP("RasStatusText", "The Bluetooth link to the phone failed or timed out.")},
    {ERROR_LINE_UNUSABLE, QT_TRANSLATE_NOOP("RasStatusText", "The line cannot be used for dialling now.")},
    {ERROR_NM_FAILED,
     QT_TRANSLATE_NOOP("RasStatusText", "NetworkManager could not bring the connection up and gave no reason.")},
};

// Copies text into a fixed char field, cut at a character boundary so that the
// field always holds valid UTF-8 and its terminating NUL.
void copyField(char *field, size_t room, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    size_t n = std::min(room - 1, static_cast<size_t>(utf8.size()));
    if (n < static_cast<size_t>(utf8.size())) {
        // Step back over continuation bytes so a multibyte character is not split.
        while (n > 0 && (static_cast<unsigned char>(utf8.at(static_cast<qsizetype>(n))) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(field, utf8.constData(), n);
    std::memset(field + n, 0, room - n);
}

// Reads a fixed char field; false when it holds no terminating NUL.
bool readField(const char *field, size_t room, QString *out)
{
    const size_t n = strnlen(field, room);
    if (n == room)
        return false;
    *out = QString::fromUtf8(field, static_cast<qsizetype>(n));
    return true;
}

} // namespace

QByteArray RasErrorText(DWORD error)
{
    for (const ErrorText &e : kErrorTexts)
        if (e.code == error)
            return QByteArray(e.text);
    return "Remote access error " + QByteArray::number(error) + ": no description is known.";
}

// One dial's way back to the thread that started it. The service may report from
// any thread; each report is posted to `context`, a QObject living on the dialling
// thread, so the notifier runs there, in the order of the reports. Closing the
// channel (last report delivered, or RasApi gone) drops whatever comes later.
struct RasDialChannel {
    std::mutex mutex;
    QObject *context = nullptr; // owned; deleted on its own thread when closed
    RasDialFunc notifier;
    bool finished = false; // touched on the dialling thread only

    ~RasDialChannel()
    {
        // A service that dropped its callback without a last report.
        if (context)
            context->deleteLater();
    }

    void post(const std::shared_ptr<RasDialChannel> &self, RASCONNSTATE state, DWORD error)
    {
        std::lock_guard lock(mutex);
        if (!context)
            return;
        QMetaObject::invokeMethod(
            context, [self, state, error] { self->deliver(state, error); }, Qt::QueuedConnection);
    }

    void deliver(RASCONNSTATE state, DWORD error)
    {
        if (finished)
            return;
        const bool last = error != 0 || state == RASCS_Connected;
        if (last)
            finished = true;
        // Keep the notifier alive even if it closes this channel while it runs.
        const RasDialFunc call = notifier;
        if (call)
            call(WM_RASDIALEVENT, state, error);
        if (last)
            close();
    }

    void close()
    {
        QObject *ctx = nullptr;
        {
            std::lock_guard lock(mutex);
            std::swap(ctx, context);
        }
        if (ctx)
            ctx->deleteLater();
        notifier = nullptr;
    }
};

RasApi::RasApi(RasService &service) : m_service(service) {}

RasApi::~RasApi()
{
    for (const std::weak_ptr<RasDialChannel> &weak : m_channels) {
        if (const std::shared_ptr<RasDialChannel> ch = weak.lock()) {
            QObject *ctx = nullptr;
            {
                std::lock_guard lock(ch->mutex);
                std::swap(ctx, ch->context);
            }
            if (ctx && ctx->thread() == QThread::currentThread())
                delete ctx;
            else if (ctx)
                ctx->deleteLater();
        }
    }
}

DWORD RasApi::RasDialA(const void *dialExtensions, const char *phonebook, RASDIALPARAMSA *params, DWORD notifierType,
                       RasDialFunc notifier, HRASCONN *connection)
{
    if (!params || !connection || dialExtensions || notifierType != 0 || !notifier)
        return ERROR_INVALID_PARAMETER;
    if (params->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    if (phonebook)
        return ERROR_CANNOT_OPEN_PHONEBOOK; // only the default phonebook exists
    QString entry, user, password;
    if (!readField(params->szEntryName, sizeof params->szEntryName, &entry)
        || !readField(params->szUserName, sizeof params->szUserName, &user)
        || !readField(params->szPassword, sizeof params->szPassword, &password))
        return ERROR_INVALID_PARAMETER;
    if (entry.isEmpty())
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

    // Prune channels of dials that have ended.
    std::erase_if(m_channels, [](const std::weak_ptr<RasDialChannel> &w) { return w.expired(); });

    auto channel = std::make_shared<RasDialChannel>();
    channel->context = new QObject; // lives on this thread
    channel->notifier = std::move(notifier);

    // The service holds the only strong reference through its progress callback;
    // the queued calls hold one each until delivered.
    std::weak_ptr<RasDialChannel> weak = channel;
    *connection = 0;
    HRASCONN handle = 0;
    const DWORD rc = m_service.dial(
        entry, user, password, [channel](RASCONNSTATE state, DWORD error) { channel->post(channel, state, error); },
        &handle);
    if (rc != 0) {
        channel->close();
        return rc;
    }
    *connection = handle;
    m_channels.push_back(weak);
    return 0;
}

DWORD RasApi::RasHangUpA(HRASCONN connection)
{
    if (connection == 0)
        return ERROR_INVALID_HANDLE;
    return m_service.hangUp(connection);
}

DWORD RasApi::RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA *status)
{
    if (!status)
        return ERROR_INVALID_PARAMETER;
    if (status->dwSize != sizeof(RASCONNSTATUSA))
        return ERROR_INVALID_SIZE;
    if (connection == 0)
        return ERROR_INVALID_HANDLE;
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    if (const DWORD rc = m_service.connectStatus(connection, &state, &error))
        return rc;
    status->rasconnstate = state;
    status->dwError = error;
    std::memset(status->szDeviceType, 0, sizeof status->szDeviceType);
    std::memset(status->szDeviceName, 0, sizeof status->szDeviceName);
    QList<RasLiveConnection> list;
    if (m_service.connections(&list) == 0) {
        for (const RasLiveConnection &c : list) {
            if (c.handle == connection) {
                copyField(status->szDeviceType, sizeof status->szDeviceType, c.deviceType);
                copyField(status->szDeviceName, sizeof status->szDeviceName, c.deviceName);
                break;
            }
        }
    }
    return 0;
}

DWORD RasApi::RasGetEntryDialParamsA(const char *phonebook, RASDIALPARAMSA *params, int *passwordSaved)
{
    if (!params || !passwordSaved)
        return ERROR_INVALID_PARAMETER;
    if (params->dwSize != sizeof(RASDIALPARAMSA))
        return ERROR_INVALID_SIZE;
    if (phonebook)
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    QString entry;
    if (!readField(params->szEntryName, sizeof params->szEntryName, &entry))
        return ERROR_INVALID_PARAMETER;
    if (entry.isEmpty())
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    QString user, password;
    bool saved = false;
    if (const DWORD rc = m_service.entryDialParams(entry, &user, &password, &saved))
        return rc;
    copyField(params->szUserName, sizeof params->szUserName, user);
    copyField(params->szPassword, sizeof params->szPassword, saved ? password : QString());
    *passwordSaved = saved ? 1 : 0;
    return 0;
}

DWORD RasApi::RasGetErrorStringA(unsigned error, char *buffer, DWORD size)
{
    if (!buffer || size == 0)
        return ERROR_INVALID_PARAMETER;
    const QByteArray text = RasErrorText(error);
    if (static_cast<DWORD>(text.size()) + 1 > size)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, text.constData(), static_cast<size_t>(text.size()) + 1);
    return 0;
}

DWORD RasApi::RasEnumEntriesA(const void *reserved, const char *phonebook, RASENTRYNAMEA *entries, DWORD *byteCount,
                              DWORD *entryCount)
{
    if (!byteCount || !entryCount || reserved)
        return ERROR_INVALID_PARAMETER;
    // A buffer too small to hold even the size field is taken as no room at all,
    // never read.
    const bool hasRoom = entries && *byteCount >= sizeof(DWORD);
    if (hasRoom && entries->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    if (phonebook)
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    QList<QString> names;
    if (const DWORD rc = m_service.listEntries(&names)) {
        *entryCount = 0;
        return rc;
    }
    const DWORD count = static_cast<DWORD>(names.size());
    const DWORD needed = count * static_cast<DWORD>(sizeof(RASENTRYNAMEA));
    if (!hasRoom ? count > 0 : *byteCount < needed) {
        *byteCount = needed;
        *entryCount = count;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (DWORD i = 0; i < count; ++i) {
        RASENTRYNAMEA &rec = entries[i];
        rec.dwSize = sizeof(RASENTRYNAMEA);
        copyField(rec.szEntryName, sizeof rec.szEntryName, names.at(i));
    }
    *byteCount = needed;
    *entryCount = count;
    return 0;
}

DWORD RasApi::RasEnumConnectionsA(RASCONNA *connections, DWORD *byteCount, DWORD *connectionCount)
{
    if (!byteCount || !connectionCount)
        return ERROR_INVALID_PARAMETER;
    const bool hasRoom = connections && *byteCount >= sizeof(DWORD);
    if (hasRoom && connections->dwSize != sizeof(RASCONNA))
        return ERROR_INVALID_SIZE;
    QList<RasLiveConnection> list;
    if (const DWORD rc = m_service.connections(&list)) {
        *connectionCount = 0;
        return rc;
    }
    const DWORD count = static_cast<DWORD>(list.size());
    const DWORD needed = count * static_cast<DWORD>(sizeof(RASCONNA));
    if (!hasRoom ? count > 0 : *byteCount < needed) {
        *byteCount = needed;
        *connectionCount = count;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (DWORD i = 0; i < count; ++i) {
        const RasLiveConnection &c = list.at(i);
        RASCONNA &rec = connections[i];
        rec.dwSize = sizeof(RASCONNA);
        rec.hrasconn = c.handle;
        copyField(rec.szEntryName, sizeof rec.szEntryName, c.entryName);
        copyField(rec.szDeviceType, sizeof rec.szDeviceType, c.deviceType);
        copyField(rec.szDeviceName, sizeof rec.szDeviceName, c.deviceName);
    }
    *byteCount = needed;
    *connectionCount = count;
    return 0;
}

DWORD RasApi::RasGetProjectionInfoA(HRASCONN connection, DWORD projection, void *info, DWORD *byteCount)
{
    if (!info || !byteCount)
        return ERROR_INVALID_PARAMETER;
    if (projection != RASP_PppIp)
        return ERROR_INVALID_PARAMETER; // the only projection this service reports
    if (*byteCount < sizeof(RASPPPIPA)) {
        *byteCount = sizeof(RASPPPIPA);
        return ERROR_BUFFER_TOO_SMALL;
    }
    auto *ip = static_cast<RASPPPIPA *>(info);
    if (ip->dwSize != sizeof(RASPPPIPA))
        return ERROR_INVALID_SIZE;
    if (connection == 0)
        return ERROR_INVALID_HANDLE;
    QString address;
    if (const DWORD rc = m_service.ipProjection(connection, &address))
        return rc;
    // An IPv4 text never holds a colon; an IPv6 one always does, and belongs
    // to RasGetProjectionTextA.
    if (address.contains(QLatin1Char(':')))
        return ERROR_PROTOCOL_NOT_CONFIGURED;
    ip->dwError = 0;
    copyField(ip->szIpAddress, sizeof ip->szIpAddress, address);
    std::memset(ip->szServerIpAddress, 0, sizeof ip->szServerIpAddress);
    *byteCount = sizeof(RASPPPIPA);
    return 0;
}

DWORD RasApi::RasGetProjectionTextA(HRASCONN connection, QString *address)
{
    if (!address)
        return ERROR_INVALID_PARAMETER;
    if (connection == 0)
        return ERROR_INVALID_HANDLE;
    QString text;
    if (const DWORD rc = m_service.ipProjection(connection, &text))
        return rc;
    *address = text;
    return 0;
}

} // namespace vantrel
