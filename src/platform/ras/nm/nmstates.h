// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How NetworkManager's activation states and failure reasons read as the dial
// states and error codes the program shows. No D-Bus here: the numbers are
// those of NetworkManager's D-Bus interface (NMActiveConnectionState,
// NMDeviceState, NMActiveConnectionStateReason, NMDeviceStateReason).
#include "platform/ras/ras.h"

#include <QString>

#include <optional>

namespace vantrel::nm {

// NMActiveConnectionState
constexpr unsigned AcActivating = 1;
constexpr unsigned AcActivated = 2;
constexpr unsigned AcDeactivating = 3;
constexpr unsigned AcDeactivated = 4;

// NMDeviceState (the ones a dial passes through)
constexpr unsigned DevPrepare = 40;
constexpr unsigned DevConfig = 50;
constexpr unsigned DevNeedAuth = 60;
constexpr unsigned DevIpConfig = 70;
constexpr unsigned DevIpCheck = 80;
constexpr unsigned DevSecondaries = 90;
constexpr unsigned DevActivated = 100;
constexpr unsigned DevFailed = 120;

// NMSettingSecretFlags
constexpr unsigned SecretAgentOwned = 0x1;
constexpr unsigned SecretNotSaved = 0x2;
constexpr unsigned SecretNotRequired = 0x4;

// Profile types a person dials or brings up by hand. Bluetooth counts only as
// dial-up networking ("dun"), which the caller checks in the profile.
bool IsDialKind(const QString &connectionType);
// The device type shown for a connection of that type ("pppoe", "modem", "vpn").
QString DeviceTypeFor(const QString &connectionType);

// The dial state a state of the connection or of its device stands for while a
// dial is under way; nothing for states that say nothing new.
std::optional<RASCONNSTATE> StepForActiveState(unsigned activeState);
std::optional<RASCONNSTATE> StepForDeviceState(unsigned deviceState);

// The error of an activation that ended with `activeReason`. A reason that only
// says the device went down is refined by the last failure reason the device
// gave (0: none known).
DWORD ErrorForActiveReason(unsigned activeReason, unsigned deviceReason);
// The error a device failure reason names; 0 when it names nothing specific.
DWORD ErrorForDeviceReason(unsigned deviceReason);
// The error of a refused method call, by its D-Bus error name.
DWORD ErrorForDBusError(const QString &errorName);

// Whether a password with these secret flags is kept (by NetworkManager or by
// the user's keyring) so that nobody needs to type it.
bool PasswordSaved(unsigned secretFlags);

} // namespace vantrel::nm
