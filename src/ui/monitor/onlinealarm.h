// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window asks of the online-time alarm. The alarm and its windows
// sit above the main window (alarm/); the composition root hands the window a
// maker, which it calls once its timer and animation frames exist, so that the
// alarm is there before the creation sequence prepares its wave player.
#include <QList>
#include <QPixmap>

#include <cstdint>
#include <functional>

class QObject;

namespace vantrel {

struct AppState;
struct Platform;
class VTimer;

class OnlineAlarm {
public:
    virtual ~OnlineAlarm() = default;

    virtual void PrepareWavePlayer() = 0;
    // Step 1 of opening an online period: the cue when the alarm is armed.
    virtual void ConnectCue() = 0;
    virtual void VantrelAlarmTimer() = 0;
    virtual void SetAlarmPeriod() = 0;
    // Closes the wave player, gives it the file `Wave` and opens it again; false
    // when the file cannot be played (reported).
    virtual bool ReloadWavePlayer() = 0;

    bool AlarmBusy = false; // guard of the alarm tick; cleared at creation
};

// What the alarm is made from: the main window's alarm timer, the 16 animation
// frames and the shared application icon as it is at the moment of asking.
struct OnlineAlarmParts {
    AppState &state;
    Platform &platform;
    VTimer &timer;
    QList<QPixmap> frames;
    std::function<QPixmap()> applicationIcon;
    QObject *parent = nullptr;
};

// Returns a new alarm owned by `parts.parent`.
using OnlineAlarmMaker = std::function<OnlineAlarm *(const OnlineAlarmParts &parts)>;

} // namespace vantrel
