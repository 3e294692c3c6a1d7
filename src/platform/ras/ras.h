// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The remote access operations the program calls, with the record layouts and
// sizes of the interface it was built for. Handles are 32-bit values, so every
// record keeps its size on a 64-bit build. The operations are members of RasApi,
// which forwards to a RasService backend (see rasservice.h) chosen at start-up.
#include "platform/wintypes.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

namespace vantrel {

using HRASCONN = HANDLE32;

constexpr int RAS_MaxEntryName = 256;
constexpr int RAS_MaxDeviceType = 16;
constexpr int RAS_MaxDeviceName = 128;
constexpr int RAS_MaxPhoneNumber = 128;
constexpr int RAS_MaxCallbackNumber = 128;
constexpr int UNLEN = 256;
constexpr int PWLEN = 256;
constexpr int DNLEN = 15;
constexpr int RAS_MaxIpAddress = 15;

enum RASCONNSTATE : DWORD {
    RASCS_OpenPort = 0,
    RASCS_PortOpened,
    RASCS_ConnectDevice,
    RASCS_DeviceConnected,
    RASCS_AllDevicesConnected,
    RASCS_Authenticate,
    RASCS_AuthNotify,
    RASCS_AuthRetry,
    RASCS_AuthCallback,
    RASCS_AuthChangePassword,
    RASCS_AuthProject,
    RASCS_AuthLinkSpeed,
    RASCS_AuthAck,
    RASCS_ReAuthenticate,
    RASCS_Authenticated,
    RASCS_PrepareForCallback,
    RASCS_WaitForModemReset,
    RASCS_WaitForCallback,
    RASCS_Projected,
    RASCS_StartAuthentication,
    RASCS_CallbackComplete,
    RASCS_LogonNetwork,
    RASCS_Interactive = 0x1000,
    RASCS_RetryAuthentication,
    RASCS_CallbackSetByCaller,
    RASCS_PasswordExpired,
    RASCS_Connected = 0x2000,
    RASCS_Disconnected,
};

constexpr DWORD RASP_PppIp = 0x8021;

// Error codes: the system codes the service returns and the remote access codes
// (600 and up), with the numbers the interface defines.
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD PENDING = 600;
constexpr DWORD ERROR_INVALID_PORT_HANDLE = 601;
constexpr DWORD ERROR_PORT_ALREADY_OPEN = 602;
constexpr DWORD ERROR_BUFFER_TOO_SMALL = 603;
constexpr DWORD ERROR_WRONG_INFO_SPECIFIED = 604;
constexpr DWORD ERROR_PORT_NOT_CONNECTED = 606;
constexpr DWORD ERROR_DEVICE_DOES_NOT_EXIST = 608;
constexpr DWORD ERROR_PORT_NOT_FOUND = 615;
constexpr DWORD ERROR_ALREADY_DISCONNECTING = 617;
constexpr DWORD ERROR_PORT_NOT_OPEN = 618;
constexpr DWORD ERROR_PORT_DISCONNECTED = 619;
constexpr DWORD ERROR_CANNOT_OPEN_PHONEBOOK = 621;
constexpr DWORD ERROR_CANNOT_LOAD_PHONEBOOK = 622;
constexpr DWORD ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
constexpr DWORD ERROR_CANNOT_WRITE_PHONEBOOK = 624;
constexpr DWORD ERROR_CORRUPT_PHONEBOOK = 625;
constexpr DWORD ERROR_DISCONNECTION = 628;
constexpr DWORD ERROR_REMOTE_DISCONNECTION = 629;
constexpr DWORD ERROR_HARDWARE_FAILURE = 630;
constexpr DWORD ERROR_USER_DISCONNECTION = 631;
constexpr DWORD ERROR_INVALID_SIZE = 632;
constexpr DWORD ERROR_PORT_NOT_AVAILABLE = 633;
constexpr DWORD ERROR_CANNOT_PROJECT_CLIENT = 634;
constexpr DWORD ERROR_UNKNOWN = 635;
constexpr DWORD ERROR_REQUEST_TIMEOUT = 638;
constexpr DWORD ERROR_LINE_BUSY = 676;
constexpr DWORD ERROR_VOICE_ANSWER = 677;
constexpr DWORD ERROR_NO_ANSWER = 678;
constexpr DWORD ERROR_NO_CARRIER = 679;
constexpr DWORD ERROR_NO_DIALTONE = 680;
constexpr DWORD ERROR_AUTHENTICATION_FAILURE = 691;
constexpr DWORD ERROR_PPP_TIMEOUT = 718;
constexpr DWORD ERROR_PPP_NO_RESPONSE = 721;
constexpr DWORD ERROR_PROJECTION_NOT_COMPLETE = 730;
constexpr DWORD ERROR_PROTOCOL_NOT_CONFIGURED = 731;

// What NetworkManager reports and the remote access codes above have no word
// for. These numbers are the program's own, above the remote access range.
constexpr DWORD ERROR_NM_NOT_RUNNING = 900;
constexpr DWORD ERROR_NM_GONE = 901;
constexpr DWORD ERROR_NM_NO_SECRETS = 902;
constexpr DWORD ERROR_NM_TIMEOUT = 903;
constexpr DWORD ERROR_NM_DEVICE_GONE = 904;
constexpr DWORD ERROR_NM_NO_DEVICE = 905;
constexpr DWORD ERROR_NM_NOT_AUTHORIZED = 906;
constexpr DWORD ERROR_NM_SERVICE_STOPPED = 907;
constexpr DWORD ERROR_NM_SERVICE_START = 908;
constexpr DWORD ERROR_NM_NO_ADDRESS = 909;
constexpr DWORD ERROR_NM_PROFILE_REMOVED = 910;
constexpr DWORD ERROR_NM_DEPENDENCY = 911;
constexpr DWORD ERROR_NM_SIM = 912;
constexpr DWORD ERROR_NM_MOBILE_NETWORK = 913;
constexpr DWORD ERROR_NM_PPP = 914;
constexpr DWORD ERROR_NM_BLUETOOTH = 915;
constexpr DWORD ERROR_NM_FAILED = 916;
// The line cannot dial at all (its state cannot be kept); the backend has told
// the user why, in its own words.
constexpr DWORD ERROR_LINE_UNUSABLE = 930;

// The message number a type 0 notifier receives (the first argument).
constexpr unsigned WM_RASDIALEVENT = 0xCCCD;

// The text RasGetErrorStringA gives for a code (a generic text with the number
// for a code it does not know). Every text fits a 100-byte buffer.
QByteArray RasErrorText(DWORD error);

#pragma pack(push, 4)
struct RASDIALPARAMSA {
    DWORD dwSize;
    char szEntryName[RAS_MaxEntryName + 1];
    char szPhoneNumber[RAS_MaxPhoneNumber + 1];
    char szCallbackNumber[RAS_MaxCallbackNumber + 1];
    char szUserName[UNLEN + 1];
    char szPassword[PWLEN + 1];
    char szDomain[DNLEN + 1];
};
struct RASCONNA {
    DWORD dwSize;
    HRASCONN hrasconn;
    char szEntryName[RAS_MaxEntryName + 1];
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};
struct RASENTRYNAMEA {
    DWORD dwSize;
    char szEntryName[RAS_MaxEntryName + 1];
};
struct RASCONNSTATUSA {
    DWORD dwSize;
    RASCONNSTATE rasconnstate;
    DWORD dwError;
    char szDeviceType[RAS_MaxDeviceType + 1];
    char szDeviceName[RAS_MaxDeviceName + 1];
};
struct RASPPPIPA {
    DWORD dwSize;
    DWORD dwError;
    char szIpAddress[RAS_MaxIpAddress + 1];
    char szServerIpAddress[RAS_MaxIpAddress + 1];
};
#pragma pack(pop)

static_assert(sizeof(RASDIALPARAMSA) == 1052);
static_assert(sizeof(RASCONNA) == 412);
static_assert(sizeof(RASENTRYNAMEA) == 264);
static_assert(sizeof(RASCONNSTATUSA) == 160);
static_assert(sizeof(RASPPPIPA) == 40);

// Notifier type 0: (message, state, error).
using RasDialFunc = std::function<void(unsigned message, RASCONNSTATE state, DWORD error)>;

class RasService;
struct RasDialChannel;

class RasApi {
public:
    explicit RasApi(RasService &service);
    ~RasApi();
    RasApi(const RasApi &) = delete;
    RasApi &operator=(const RasApi &) = delete;

    // The notifier is called on the thread that called RasDialA (which must run an
    // event loop), in the order the notifications were made.
    DWORD RasDialA(const void *dialExtensions, const char *phonebook, RASDIALPARAMSA *params, DWORD notifierType,
                   RasDialFunc notifier, HRASCONN *connection);
    DWORD RasHangUpA(HRASCONN connection);
    DWORD RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA *status);
    DWORD RasGetEntryDialParamsA(const char *phonebook, RASDIALPARAMSA *params, int *passwordSaved);
    DWORD RasGetErrorStringA(unsigned error, char *buffer, DWORD size);
    DWORD RasEnumEntriesA(const void *reserved, const char *phonebook, RASENTRYNAMEA *entries, DWORD *byteCount,
                          DWORD *entryCount);
    DWORD RasEnumConnectionsA(RASCONNA *connections, DWORD *byteCount, DWORD *connectionCount);
    // Fills RASPPPIPA with the connection's IPv4 address; a connection whose
    // address is IPv6 answers ERROR_PROTOCOL_NOT_CONFIGURED, as it has no IPv4.
    DWORD RasGetProjectionInfoA(HRASCONN connection, DWORD projection, void *info, DWORD *byteCount);
    // An extension of our own, beside the fixed records: the connection's
    // address as the service gives it, IPv4 or IPv6, whole (an IPv6 text has
    // up to 39 characters, more than RASPPPIPA holds). Same answers as
    // RasGetProjectionInfoA otherwise.
    DWORD RasGetProjectionTextA(HRASCONN connection, QString *address);

    RasService &service() { return m_service; }

    // The whole list of entries or of live connections: the call is made again
    // with the room the service asks for (at most three times, as the lists may
    // grow in between). `count` never exceeds the records returned.
    DWORD EnumEntries(std::vector<RASENTRYNAMEA> &entries, DWORD &count)
    {
        return enumerateGrowing(entries, count, [this](RASENTRYNAMEA *r, DWORD *bytes, DWORD *n) {
            return RasEnumEntriesA(nullptr, nullptr, r, bytes, n);
        });
    }
    DWORD EnumConnections(std::vector<RASCONNA> &connections, DWORD &count)
    {
        return enumerateGrowing(connections, count,
                                [this](RASCONNA *r, DWORD *bytes, DWORD *n) { return RasEnumConnectionsA(r, bytes, n); });
    }

private:
    template <typename Record, typename Call>
    static DWORD enumerateGrowing(std::vector<Record> &records, DWORD &count, Call call)
    {
        if (records.empty())
            records.resize(1);
        DWORD rc = 0;
        count = 0;
        for (int tries = 0; tries < 3; ++tries) {
            records.front().dwSize = sizeof(Record);
            DWORD bytes = static_cast<DWORD>(records.size() * sizeof(Record));
            rc = call(records.data(), &bytes, &count);
            if (rc != ERROR_BUFFER_TOO_SMALL)
                break;
            records.resize(bytes / sizeof(Record) + 1);
        }
        if (count > records.size())
            count = static_cast<DWORD>(records.size());
        return rc;
    }

    RasService &m_service;
    // Dials whose notifications are still to come; closed when RasApi goes away.
    std::vector<std::weak_ptr<RasDialChannel>> m_channels;
};

} // namespace vantrel
