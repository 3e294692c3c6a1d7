// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The online-time alarm: the wave player's preparation, the connect cue, the
// alarm tick with its counters and message window, and the template expansion.
// The main window owns the timer `VantrelAlarm` and hands it in.
#include "ui/monitor/onlinealarm.h"

#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

namespace vantrel {

struct AppState;
struct Platform;
class VTimer;
class TMsgAlarm;

// "$m" minutes, "$n" CR LF, "$t" warning count; any other "$x" pair and a lone
// final "$" vanish; the scan starts again from the beginning after each pair.
QString ExpandAlarmMessage(const QString &templ, int elapsedMinutes, int warningCount);

// The period of `VantrelAlarm` for `Interval` minutes, 64-bit (VTimer waits out
// periods beyond QTimer's range in steps). 0 and negative minutes give 0: never fires.
qint64 AlarmPeriodMilliseconds(std::int32_t minutes);

class Alarm : public QObject, public OnlineAlarm {
    Q_OBJECT
public:
    // `frames`: the 16 animation frames; `applicationIcon`: the shared application
    // icon as it is at the moment of asking (the message window copies it).
    Alarm(AppState &state, Platform &platform, VTimer &VantrelAlarm, QList<QPixmap> frames,
          std::function<QPixmap()> applicationIcon, QObject *parent = nullptr);
    ~Alarm() override;

    void PrepareWavePlayer() override;
    // Step 1 of opening an online period: the cue when the alarm is armed.
    void ConnectCue() override;
    void VantrelAlarmTimer() override;
    void SetAlarmPeriod() override;
    // Closes the wave player, gives it the file `Wave` and opens it again; a file
    // that cannot be opened goes to the general error report and the player stays
    // closed. Used at creation and when the settings window accepts a wave file.
    bool ReloadWavePlayer() override;

    bool AlarmWindowOpen() const { return !MsgAlarm.isNull(); }
    QPointer<TMsgAlarm> MsgAlarm;

private:
    void sound();
    void showMessage();

    AppState &m_state;
    Platform &m_platform;
    VTimer &m_timer;
    QList<QPixmap> m_frames;
    std::function<QPixmap()> m_applicationIcon;
};

// The maker the composition root hands the main window.
OnlineAlarm *MakeOnlineAlarm(const OnlineAlarmParts &parts);

} // namespace vantrel
