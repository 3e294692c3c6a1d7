// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One dial of the simulated line in progress, shared by the service and the
// worker thread that plays the far end's answer.
#include "platform/ras/simline/simline.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace vantrel {

struct SimLine::Dial {
    HRASCONN handle = 0;
    QString entry;
    SimAnswer answer;
    std::function<void(RASCONNSTATE, DWORD)> progress;
    std::mutex mutex; // for the wait between steps
    std::condition_variable wake;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    RASCONNSTATE state = RASCS_OpenPort; // last state reported; under m_dialMutex
};

} // namespace vantrel
