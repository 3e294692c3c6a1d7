// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the main window is made with: the details window (and through it the
// configuration window), the about window, the log viewer, the connection
// entries window, the online-time alarm and the dial decision.
#include "ui/monitor/fmvantrel.h"

#include <QString>

#include <functional>

namespace vantrel {

struct AppState;
struct Platform;

// `programPath` is the program file the Run entry starts; `dial` runs behind
// "&Connect"/"&Disconnect". `state` and `platform` outlive the main window.
MainWindowPlugins MakeMainWindowPlugins(AppState &state, Platform &platform, const QString &programPath,
                                        std::function<void()> dial);

} // namespace vantrel
