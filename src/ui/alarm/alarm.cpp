// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/alarm/alarm.h"

#include "monitor/appstate.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "platform/vtimer.h"
#include "ui/alarm/msgalarm.h"
#include "ui/platform/desktop/waveplayer.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QTextEdit>

#include <exception>
#include <limits>

namespace vantrel {

namespace {

// The counters are 32-bit like the settings they add up. They stop at the top
// instead of wrapping round to a negative number of minutes.
std::int32_t addSaturating(std::int32_t a, std::int32_t b)
{
    const qint64 sum = qint64(a) + qint64(b);
    if (sum > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}

} // namespace

qint64 AlarmPeriodMilliseconds(std::int32_t minutes)
{
    // A negative number of minutes can only come from a hand-edited registry; it
    // is taken as 0, the period that never fires. The product is 64-bit: the
    // 32-bit count of milliseconds ends at 35 791 minutes, VTimer has no such end.
    return minutes <= 0 ? 0 : qint64(minutes) * 60000;
}

QString ExpandAlarmMessage(const QString &templ, int elapsedMinutes, int warningCount)
{
    // One pass from left to right gives the same text as replacing the first
    // pair and scanning again from the start: what lies before the first "$" has
    // no "$" in it and the replacements hold none either.
    QString text;
    text.reserve(templ.size() + 16);
    const qsizetype n = templ.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = templ.at(i);
        if (c != QLatin1Char('$')) {
            text += c;
            continue;
        }
        if (i + 1 >= n)
            break; // a final "$" has no partner and goes alone
        const QChar key = templ.at(++i);
        // The partner is a whole character: both halves of a surrogate pair go.
        if (key.isHighSurrogate() && i + 1 < n && templ.at(i + 1).isLowSurrogate())
            ++i;
        if (key == QLatin1Char('m'))
            text += QString::number(elapsedMinutes);
        else if (key == QLatin1Char('n'))
            text += QStringLiteral("\r\n");
        else if (key == QLatin1Char('t'))
            text += QString::number(warningCount);
        // any other pair, capitals included, vanishes
    }
    return text;
}

Alarm::Alarm(AppState &state, Platform &platform, VTimer &VantrelAlarm, QList<QPixmap> frames,
             std::function<QPixmap()> applicationIcon, QObject *parent)
    : QObject(parent), m_state(state), m_platform(platform), m_timer(VantrelAlarm), m_frames(std::move(frames)),
      m_applicationIcon(std::move(applicationIcon))
{
}

Alarm::~Alarm()
{
    delete MsgAlarm.data();
}

void Alarm::PrepareWavePlayer()
{
    const AppSettings &s = m_state.AppSettings;
    m_timer.stop();
    m_timer.setInterval(AlarmPeriodMilliseconds(s.Interval));

    if (s.Sound != 2 || !m_platform.wave)
        return;
    m_platform.wave->close();
    m_platform.wave->setFileName(s.Wave);
    if (s.Wave.isEmpty()) {
        if (m_platform.boxes)
            m_platform.boxes->error(tr("No Sound File selected."));
        return;
    }
    if (!QFileInfo(s.Wave).isFile()) {
        if (m_platform.boxes)
            m_platform.boxes->error(tr("Sound File not found."));
        return;
    }
    ReloadWavePlayer();
}

bool Alarm::ReloadWavePlayer()
{
    WavePlayer *wave = m_platform.wave;
    if (!wave)
        return false;
    wave->close();
    wave->setFileName(m_state.AppSettings.Wave);
    QString error;
    if (wave->open(&error))
        return true;
    // The player stays closed; the alarm's other actions go on without it.
    if (m_platform.boxes)
        ReportError(*m_platform.boxes, error.isEmpty() ? tr("'%1' cannot be played").arg(wave->fileName()) : error);
    return false;
}

void Alarm::ConnectCue()
{
    if (m_state.AppSettings.Alarm)
        sound();
}

void Alarm::sound()
{
    switch (m_state.AppSettings.Sound) {
    case 1:
        if (m_platform.beeper)
            m_platform.beeper->beep();
        break;
    case 2:
        // A closed player or a machine without sound output plays nothing; the
        // caller goes on as if the sound had been played.
        if (m_platform.wave)
            m_platform.wave->play();
        break;
    default: break;
    }
}

void Alarm::VantrelAlarmTimer()
{
    AppSettings &s = m_state.AppSettings;
    if (AlarmBusy || !s.Alarm)
        return;
    AlarmBusy = true;
    const auto release = qScopeGuard([this] { AlarmBusy = false; });

    m_state.AlarmElapsedMinutes = addSaturating(m_state.AlarmElapsedMinutes, qMax(0, s.Interval));
    m_state.AlarmWarningCount = addSaturating(m_state.AlarmWarningCount, 1);

    // A failing sound must not cost the message, and neither may cost the
    // once-only disarming: a failure is reported once the tick is complete.
    std::exception_ptr failure;
    try {
        sound();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        showMessage();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (s.Set == 0)
        s.Alarm = false; // in memory only; the settings window stores it if confirmed
    if (failure)
        std::rethrow_exception(failure);
}

void Alarm::showMessage()
{
    const AppSettings &s = m_state.AppSettings;
    if (!s.Box || s.Message.isEmpty())
        return;
    const QString text = ExpandAlarmMessage(s.Message, m_state.AlarmElapsedMinutes, m_state.AlarmWarningCount);
    if (AlarmWindowOpen()) {
        // Hidden and shown again so that it comes back to the front.
        MsgAlarm->hide();
        MsgAlarm->clearText();
        MsgAlarm->addText(text);
        MsgAlarm->show();
        MsgAlarm->raise();
        return;
    }
    auto *window = new TMsgAlarm(m_frames, m_applicationIcon ? m_applicationIcon() : QPixmap());
    MsgAlarm = window;
    // The window deletes itself later; it counts as gone from the moment it closes.
    connect(window, &QDialog::finished, this, [this, window] {
        if (MsgAlarm == window)
            MsgAlarm.clear();
    });
    window->addText(text);
    window->show();
}

void Alarm::SetAlarmPeriod()
{
    const qint64 period = AlarmPeriodMilliseconds(m_state.AppSettings.Interval);
    if (m_timer.isActive()) {
        m_timer.stop();
        m_timer.setInterval(period);
        m_timer.start();
    } else {
        m_timer.setInterval(period);
    }
}

OnlineAlarm *MakeOnlineAlarm(const OnlineAlarmParts &parts)
{
    return new Alarm(parts.state, parts.platform, parts.timer, parts.frames, parts.applicationIcon, parts.parent);
}

} // namespace vantrel
