// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every window of the program as a user meets it, for the tests that walk them
// all: made as the program makes it, shown, and given the texts it shows in
// use (a phonebook entry selected, the longest status line, an alarm message).
#include "dialer/dialer.h"
#include "monitor/publicaddress.h"
#include "platform/sockets/networkwatch.h"
#include "platform/sockets/posixsockets.h"
#include "support/fakepublic.h"
#include "ui/alarm/fmalarm.h"
#include "ui/alarm/msgalarm.h"
#include "ui/dialer/fmask.h"
#include "ui/dialer/fmcnx.h"
#include "ui/dialer/fmconnect.h"
#include "ui/monitor/fmlogo.h"
#include "ui/monitor/monitorfixture.h"
#include "ui/windows/fmabout.h"
#include "ui/windows/fmaddresses.h"
#include "ui/windows/fmconfig.h"
#include "ui/windows/fmlog.h"
#include "ui/windows/fmpreferences.h"
#include "ui/windows/vantrelwsinfo.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace vantrel::test {

class EveryWindowFixture : public MonitorFixture {
protected:
    struct Window {
        const char *name;
        std::function<QWidget *()> make;
        // What the window is given once shown.
        std::function<void(QWidget *)> fill = [](QWidget *) {};
    };

    // The main window, a log with a few lines, a phonebook of two entries and
    // the sockets record the program itself reports.
    void prepare()
    {
        QFile log(logPath());
        ASSERT_TRUE(log.open(QIODevice::WriteOnly) && log.write("@(#)>> Vantrel Log\r\n\r\n[...]: Connected.\r\n") > 0);
        log.close();
        rasService.addEntry(QStringLiteral("Morvent Online"), QStringLiteral("anna"), QStringLiteral("pw"));
        rasService.addEntry(QStringLiteral("Backup line"));
        setUser(QStringLiteral("RASCnx"), "1,Morvent Online");
        create();
        PosixSockets().WSAStartup(0x0101, &state.WinsockInfo);
    }

    std::vector<Window> everyWindow()
    {
        return {
            {"configuration", [this] { return new TfmConfig(state, platform, *fm, &configLine, QStringLiteral("/x")); }},
            {"entries", [this] { return new TfmCnx(state, platform, *fm); }},
            {"alarm settings", [this] { return new TfmAlarm(state, platform, fm->alarm()); }},
            {"alarm message", [] { return new TMsgAlarm({}, QPixmap(32, 32)); },
             [](QWidget *w) {
                 static_cast<TMsgAlarm *>(w)->addText(QStringLiteral("Time Left: 45 minutes.\n3 warning(s)"));
             }},
            {"credentials", [] { return new TfmAsk(QStringLiteral("Morvent Online"), QString(), QString()); }},
            {"progress", [] { return new TfmConnect(); },
             [this](QWidget *w) { Child<QPlainTextEdit>(*w, "Memo1")->setPlainText(longestStatusText()); }},
            {"details", [this] { return new TVantrelWSInfo(state, platform, *fm, QStringLiteral("/x")); }},
            {"log viewer", [this] { return new TfmLog(state, quiet); }},
            {"about", [] { return new TfmAbout(); }},
            {"splash", [] { return new TfmLogo(); }},
            {"preferences", [this] { return new TfmPreferences(DefaultPreferences(), registry, quiet, {}); }},
            {"network addresses", [this] { return new TfmAddresses(interfaces, publicAddress, nullptr, {}); }},
        };
    }

    // The longest text the progress window may show, in the language installed.
    QString longestStatusText()
    {
        QString longest;
        for (DWORD error = 600; error < 1000; ++error)
            longest = std::max(longest, RasStatusText(ras, 0, error), [](auto &a, auto &b) { return a.size() < b.size(); });
        return longest;
    }

    QLabel configLine;
    RecordingMessageBoxes quiet;
    FakeInterfaces interfaces;
    FakeLookup lookup;
    PublicAddress publicAddress{lookup, clock, {}};
};

} // namespace vantrel::test
