// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/factories.h"

#include "monitor/appstate.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/windows/fmabout.h"
#include "ui/windows/fmlog.h"
#include "ui/windows/vantrelwsinfo.h"

namespace vantrel {

void InstallWindowFactories(TfmVantrel &main, AppState &state, Platform &platform,
                            const QString &programPath)
{
    main.DetailsWindowFactory = [&state, &platform, programPath](TfmVantrel &fm) -> QDialog * {
        return new TVantrelWSInfo(state, platform, fm, programPath);
    };
    main.AboutWindowFactory = [](TfmVantrel &) -> QDialog * { return new TfmAbout(); };
    main.LogViewerFactory = [&state, &platform](TfmVantrel &) -> QWidget * {
        return new TfmLog(state, *platform.boxes);
    };
}

} // namespace vantrel
