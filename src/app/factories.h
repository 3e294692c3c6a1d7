// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plugs the configuration and information windows into the main window's menu:
// the details window (and through it the configuration window), the about
// window and the log viewer.
#include <QString>

namespace vantrel {

struct AppState;
struct Platform;
class TfmVantrel;

// `programPath` is the program file the Run entry starts. `state` and
// `platform` outlive `main`.
void InstallWindowFactories(TfmVantrel &main, AppState &state, Platform &platform,
                            const QString &programPath);

} // namespace vantrel
