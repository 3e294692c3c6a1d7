// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/support/fakeplatform.h"

#include <utility>

namespace vantrel::test {

FakePlatform::FakePlatform(Registry *registry, QDateTime now) : m_ras(m_rasService), m_clock(std::move(now))
{
    m_platform.registry = registry;
    m_platform.ras = &m_ras;
    m_platform.sockets = &m_sockets;
    m_platform.tray = &m_tray;
    m_platform.wave = &m_wave;
    m_platform.beeper = &m_beeper;
    m_platform.pause = &m_pause;
    m_platform.clock = &m_clock;
    m_platform.boxes = &m_boxes;
}

} // namespace vantrel::test
