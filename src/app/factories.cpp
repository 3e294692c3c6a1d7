// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/factories.h"

#include "monitor/appstate.h"
#include "ui/alarm/alarm.h"
#include "ui/dialer/fmcnx.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/windows/fmabout.h"
#include "ui/windows/fmlog.h"
#include "ui/windows/vantrelwsinfo.h"

namespace vantrel {

MainWindowPlugins MakeMainWindowPlugins(AppState &state, Platform &platform, const QString &programPath,
                                        std::function<void()> dial)
{
    MainWindowPlugins plugins;
    plugins.makeAlarm = MakeOnlineAlarm;
    plugins.DetailsWindowFactory = [&state, &platform, programPath](TfmVantrel &fm) -> QDialog * {
        return new TVantrelWSInfo(state, platform, fm, programPath);
    };
    plugins.AboutWindowFactory = [](TfmVantrel &) -> QDialog * { return new TfmAbout(); };
    plugins.LogViewerFactory = [&state, &platform](TfmVantrel &) -> QWidget * {
        return new TfmLog(state, *platform.boxes);
    };
    plugins.ConnectionEntriesFactory = [&state, &platform](TfmVantrel &main) -> QDialog * {
        return new TfmCnx(state, platform, main);
    };
    plugins.DialerHook = std::move(dial);
    return plugins;
}

} // namespace vantrel
