// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every platform stand-in a test or benchmark needs, owned in one place: the
// in-memory remote access service behind a RasApi, sockets, tray, sound, test
// time, a fixed clock and message boxes. platform() hands them out as the
// program's code takes them; the accessors give the test the recorders.
//
// The registry is the caller's (the tests use the real one on a temporary
// profile): it goes in platform().registry. Any stand-in can be swapped for
// another the same way, e.g. platform().ras = &otherApi.
#include "monitor/appstate.h"
#include "platform/ras/ras.h"
#include "support/fakeras.h"
#include "support/fakesockets.h"
#include "support/fixedclock.h"
#include "support/recordingmessageboxes.h"
#include "support/recordingpause.h"
#include "ui/support/fakesound.h"
#include "ui/support/recordingnotifyicon.h"

#include <QDateTime>

namespace vantrel::test {

class FakePlatform {
public:
    explicit FakePlatform(Registry *registry = nullptr, QDateTime now = {});
    FakePlatform(const FakePlatform &) = delete;
    FakePlatform &operator=(const FakePlatform &) = delete;

    Platform &platform() { return m_platform; }

    FakeRasService &rasService() { return m_rasService; }
    RasApi &ras() { return m_ras; }
    FakeSockets &sockets() { return m_sockets; }
    RecordingNotifyIcon &tray() { return m_tray; }
    RecordingWavePlayer &wave() { return m_wave; }
    RecordingBeeper &beeper() { return m_beeper; }
    RecordingPause &pause() { return m_pause; }
    FixedClock &clock() { return m_clock; }
    RecordingMessageBoxes &boxes() { return m_boxes; }

private:
    FakeRasService m_rasService;
    RasApi m_ras;
    FakeSockets m_sockets;
    RecordingNotifyIcon m_tray;
    RecordingWavePlayer m_wave;
    RecordingBeeper m_beeper;
    RecordingPause m_pause;
    FixedClock m_clock;
    RecordingMessageBoxes m_boxes;
    Platform m_platform;
};

} // namespace vantrel::test
