// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/nm/nmstates.h"

#include <QStringList>

namespace vantrel::nm {

bool IsDialKind(const QString &connectionType)
{
    static const QStringList kinds = {QStringLiteral("pppoe"), QStringLiteral("gsm"),       QStringLiteral("cdma"),
                                      QStringLiteral("vpn"),   QStringLiteral("wireguard"), QStringLiteral("bluetooth")};
    return kinds.contains(connectionType);
}

QString DeviceTypeFor(const QString &connectionType)
{
    if (connectionType == QLatin1String("pppoe"))
        return QStringLiteral("pppoe");
    if (connectionType == QLatin1String("vpn") || connectionType == QLatin1String("wireguard"))
        return QStringLiteral("vpn");
    return QStringLiteral("modem");
}

std::optional<RASCONNSTATE> StepForActiveState(unsigned activeState)
{
    switch (activeState) {
    case AcActivating: return RASCS_ConnectDevice;
    case AcActivated: return RASCS_Connected;
    default: return std::nullopt;
    }
}

std::optional<RASCONNSTATE> StepForDeviceState(unsigned deviceState)
{
    switch (deviceState) {
    case DevPrepare: return RASCS_ConnectDevice;
    case DevConfig: return RASCS_DeviceConnected;
    case DevNeedAuth: return RASCS_Authenticate;
    case DevIpConfig: return RASCS_AuthProject;
    case DevIpCheck:
    case DevSecondaries: return RASCS_Authenticated;
    default:
        // Activated is the connection's business: a VPN's device is up long
        // before the VPN is.
        return std::nullopt;
    }
}

DWORD ErrorForDeviceReason(unsigned deviceReason)
{
    switch (deviceReason) {
    case 5:  // IP_CONFIG_UNAVAILABLE
    case 6:  // IP_CONFIG_EXPIRED
    case 15: // DHCP_START_FAILED
    case 16: // DHCP_ERROR
    case 17: // DHCP_FAILED
        return ERROR_NM_NO_ADDRESS;
    case 7: // NO_SECRETS
        return ERROR_NM_NO_SECRETS;
    case 12: // PPP_START_FAILED
    case 13: // PPP_DISCONNECT
    case 14: // PPP_FAILED
        return ERROR_NM_PPP;
    case 23: // MODEM_BUSY
        return ERROR_LINE_BUSY;
    case 24: // MODEM_NO_DIAL_TONE
        return ERROR_NO_DIALTONE;
    case 25: // MODEM_NO_CARRIER
        return ERROR_NO_CARRIER;
    case 26: // MODEM_DIAL_TIMEOUT
        return ERROR_NO_ANSWER;
    case 27: // MODEM_DIAL_FAILED
    case 28: // MODEM_INIT_FAILED
    case 35: // FIRMWARE_MISSING
    case 57: // MODEM_FAILED
        return ERROR_HARDWARE_FAILURE;
    case 29: // GSM_APN_FAILED
    case 30: // GSM_REGISTRATION_NOT_SEARCHING
    case 31: // GSM_REGISTRATION_DENIED
    case 32: // GSM_REGISTRATION_TIMEOUT
    case 33: // GSM_REGISTRATION_FAILED
        return ERROR_NM_MOBILE_NETWORK;
    case 34: // GSM_PIN_CHECK_FAILED
    case 45: // GSM_SIM_NOT_INSERTED
    case 46: // GSM_SIM_PIN_REQUIRED
    case 47: // GSM_SIM_PUK_REQUIRED
    case 48: // GSM_SIM_WRONG
    case 59: // SIM_PIN_INCORRECT
        return ERROR_NM_SIM;
    case 36: // REMOVED
        return ERROR_NM_DEVICE_GONE;
    case 38: // CONNECTION_REMOVED
        return ERROR_NM_PROFILE_REMOVED;
    case 39: // USER_REQUESTED
        return ERROR_USER_DISCONNECTION;
    case 40: // CARRIER
        return ERROR_PORT_DISCONNECTED;
    case 43: // MODEM_NOT_FOUND
    case 52: // MODEM_MANAGER_UNAVAILABLE
        return ERROR_NM_NO_DEVICE;
    case 44: // BT_FAILED
        return ERROR_NM_BLUETOOTH;
    case 50: // DEPENDENCY_FAILED
        return ERROR_NM_DEPENDENCY;
    default: return 0;
    }
}

DWORD ErrorForActiveReason(unsigned activeReason, unsigned deviceReason)
{
    switch (activeReason) {
    case 2: // USER_DISCONNECTED
        return ERROR_USER_DISCONNECTION;
    case 4: // SERVICE_STOPPED
        return ERROR_NM_SERVICE_STOPPED;
    case 5: // IP_CONFIG_INVALID
        return ERROR_NM_NO_ADDRESS;
    case 6: // CONNECT_TIMEOUT
        return ERROR_NM_TIMEOUT;
    case 7: // SERVICE_START_TIMEOUT
    case 8: // SERVICE_START_FAILED
        return ERROR_NM_SERVICE_START;
    case 9: // NO_SECRETS
        return ERROR_NM_NO_SECRETS;
    case 10: // LOGIN_FAILED
        return ERROR_AUTHENTICATION_FAILURE;
    case 11: // CONNECTION_REMOVED
        return ERROR_NM_PROFILE_REMOVED;
    case 12: // DEPENDENCY_FAILED
        return ERROR_NM_DEPENDENCY;
    case 13: // DEVICE_REALIZE_FAILED
        return ERROR_NM_NO_DEVICE;
    case 14: // DEVICE_REMOVED
        return ERROR_NM_DEVICE_GONE;
    default: break;
    }
    // UNKNOWN, NONE, DEVICE_DISCONNECTED: the device may know more.
    if (const DWORD fromDevice = ErrorForDeviceReason(deviceReason))
        return fromDevice;
    return activeReason == 3 ? ERROR_PORT_DISCONNECTED : ERROR_NM_FAILED;
}

DWORD ErrorForDBusError(const QString &errorName)
{
    struct Name {
        const char *name;
        DWORD error;
    };
    static constexpr Name kNames[] = {
        {"org.freedesktop.NetworkManager.UnknownConnection", ERROR_CANNOT_FIND_PHONEBOOK_ENTRY},
        {"org.freedesktop.NetworkManager.UnknownDevice", ERROR_NM_NO_DEVICE},
        {"org.freedesktop.NetworkManager.ConnectionNotAvailable", ERROR_NM_NO_DEVICE},
        {"org.freedesktop.NetworkManager.ConnectionAlreadyActive", ERROR_PORT_ALREADY_OPEN},
        {"org.freedesktop.NetworkManager.PermissionDenied", ERROR_NM_NOT_AUTHORIZED},
        {"org.freedesktop.DBus.Error.AccessDenied", ERROR_NM_NOT_AUTHORIZED},
        {"org.freedesktop.DBus.Error.NoReply", ERROR_NM_TIMEOUT},
        {"org.freedesktop.DBus.Error.Timeout", ERROR_NM_TIMEOUT},
        {"org.freedesktop.DBus.Error.TimedOut", ERROR_NM_TIMEOUT},
        {"org.freedesktop.DBus.Error.ServiceUnknown", ERROR_NM_NOT_RUNNING},
        {"org.freedesktop.DBus.Error.NameHasNoOwner", ERROR_NM_NOT_RUNNING},
        {"org.freedesktop.DBus.Error.Disconnected", ERROR_NM_NOT_RUNNING},
    };
    for (const Name &n : kNames)
        if (errorName == QLatin1String(n.name))
            return n.error;
    return ERROR_NM_FAILED;
}

bool PasswordSaved(unsigned secretFlags)
{
    return (secretFlags & SecretNotSaved) == 0;
}

} // namespace vantrel::nm
