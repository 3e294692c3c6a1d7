// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the dialer tests share: the main-window fixture with the simulated line
// (at speed 0, so no dial takes time) behind its own RasApi, a service wrapper
// that records what each dial was given, test time that the test lets run out
// pause by pause (acting at chosen moments), fmConnect and the dialer.
#include "dialer/dialer.h"
#include "platform/ras/simline/simline.h"
#include "support/simlinesupport.h"
#include "ui/dialer/dialwindows.h"
#include "ui/dialer/fmask.h"
#include "ui/dialer/fmconnect.h"
#include "ui/monitor/monitorfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace vantrel::test {

// Forwards to a backend and remembers the credentials every dial was given.
class RecordingService final : public RasService {
public:
    explicit RecordingService(RasService &inner) : m_inner(inner) {}
    struct Dial {
        QString entry, userName, password;
    };
    QList<Dial> dials;
    // When set, what every hang-up answers, without reaching the line.
    std::optional<DWORD> hangUpAnswer;
    QStringList dialledEntries() const
    {
        QStringList out;
        for (const Dial &d : dials)
            out.append(d.entry);
        return out;
    }

    DWORD listEntries(QList<QString> *names) override { return m_inner.listEntries(names); }
    DWORD entryDialParams(const QString &entry, QString *user, QString *password, bool *saved) override
    {
        return m_inner.entryDialParams(entry, user, password, saved);
    }
    DWORD dial(const QString &entry, const QString &user, const QString &password,
               std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle) override
    {
        dials.append({entry, user, password});
        return m_inner.dial(entry, user, password, std::move(progress), handle);
    }
    DWORD hangUp(HRASCONN handle) override { return hangUpAnswer ? *hangUpAnswer : m_inner.hangUp(handle); }
    DWORD connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error) override
    {
        return m_inner.connectStatus(handle, state, error);
    }
    DWORD connections(QList<RasLiveConnection> *out) override { return m_inner.connections(out); }

private:
    RasService &m_inner;
};

class DialerFixture : public MonitorFixture {
protected:
    // Entries: three that are always busy, one that connects at once, one that is
    // busy once and then connects, one with stored credentials.
    static QByteArray phonebook()
    {
        return "[B1]\nAnswer=busy 0\n[B2]\nAnswer=busy 0\n[B3]\nAnswer=busy 0\n"
               "[Online]\nUserName=guest\nPassword=stored-pw\nAnswer=connect 0 10.64.3.17\n"
               "[Second]\nAnswer=busy 0, connect 0 10.64.9.9\n"
               "[Asked]\nUserName=guest\nAnswer=connect 0 10.64.5.5\n";
    }

    void writePhonebook()
    {
        const QString config = home.configDir() + QStringLiteral("/vantrel");
        QDir().mkpath(config);
        QFile f(config + QStringLiteral("/phonebook.ini"));
        if (f.open(QIODevice::WriteOnly))
            f.write(phonebook());
    }

    DialerFixture()
    {
        const QString config = home.configDir() + QStringLiteral("/vantrel");
        writePhonebook();
        SimLine::Options o;
        o.configDir = config;
        o.runtimeDir = home.path() + QStringLiteral("/runtime/vantrel");
        o.speed = 0;
        o.report = [this](const QString &t) {
            lineReports.append(t);
            if (onLineReport)
                onLineReport();
        };
        line = std::make_unique<SimLine>(o);
        recorder = std::make_unique<RecordingService>(*line);
        lineApi = std::make_unique<RasApi>(*recorder);
        platform.ras = lineApi.get();
    }

    void TearDown() override
    {
        windows.reset();
        dialer.reset();
        MonitorFixture::TearDown();
    }

    // The main window in dial-up mode with these connection settings, and the dialer.
    Dialer &start(const QString &rasCnx, const QString &cycled = {}, const QStringList &cycle = {}, int redial = 1,
                  int wait = 0, bool ask = false)
    {
        setUser(QStringLiteral("Conn"), 0u);
        setUser(QStringLiteral("RASCnx"), RegValue::string(rasCnx));
        setUser(QStringLiteral("Redial"), DWORD(redial));
        setUser(QStringLiteral("Wait"), DWORD(wait));
        setUser(QStringLiteral("Ask"), DWORD(ask ? 1 : 0));
        setUser(QStringLiteral("Cycled"), RegValue::string(cycled));
        RegKey key;
        registry.openKey(Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel\\Cycle"), true, &key);
        for (int i = 0; i < kCycleSlots; ++i)
            registry.setValue(key, QString::number(i + 1), RegValue::string(cycle.value(i)));
        registry.closeKey(&key);
        create({.DetailsWindowFactory = detailsWindow, .DialerHook = [this] { dialer->Connect1Click(); }});
        dialer = std::make_unique<Dialer>(state, platform, [this] { return fm->connected(); });
        windows = std::make_unique<DialWindows>(*dialer);
        QObject::connect(fm.get(), &TfmVantrel::shutdownComplete, dialer.get(), &Dialer::shutdown);
        return *dialer;
    }

    // Lets the run or hang-up go on until `done` holds (by default: until it has
    // ended): the service's notifications are delivered, prompts answered, and
    // the pauses run out one after another in test time. False when it got stuck.
    bool settle(const std::function<bool()> &done = {})
    {
        for (int i = 0; i < 100000; ++i) {
            QCoreApplication::processEvents();
            if (windows->fmAsk() && answerPrompt) {
                answerPrompt(*windows->fmAsk());
                continue;
            }
            if (done ? done() : !dialer->busy())
                return true;
            if ((dialer->awaitingService() || !actingPause.step()) && !waitForEvents())
                break;
        }
        ADD_FAILURE() << "the dialer got stuck";
        return false;
    }
    // Connect from the tray, and the run or hang-up to its end.
    void connectAndSettle()
    {
        fm->Connect1Click();
        settle();
    }
    // For what another thread posts (the simulated line's notifications);
    // bounded so that a lost notification fails the test instead of hanging it.
    bool waitForEvents()
    {
        QTimer watchdog;
        bool late = false;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&late] { late = true; });
        watchdog.start(5000);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return !late;
    }

    // Aborts in the progress window while the `n`th dial's result shows.
    void abortAtDial(int n)
    {
        actingPause.during = [this, n](int ms) {
            if (ms == Dialer::kResultPause && recorder->dials.size() == n)
                btAbort()->click();
        };
    }

    // A fresh start for the next case of a table.
    void nextCase()
    {
        TearDown();
        recorder->dials.clear();
        recorder->hangUpAnswer.reset();
        actingPause.pauses.clear();
        actingPause.during = nullptr;
        answerPrompt = nullptr;
        boxes.shown.clear();
        promptsShown.clear();
        QList<RasLiveConnection> up;
        line->connections(&up);
        for (const RasLiveConnection &c : up)
            line->hangUp(c.handle);
    }

    // Answers the prompts in turn: types "ann" and "typed-secret", then presses
    // the button of the answer (kClosed: closed by other means; Abort once the
    // answers run out). Remembers the user name each prompt was shown.
    static constexpr int kClosed = -1;
    void answerPrompts(QList<int> answers)
    {
        answerPrompt = [this, answers](TfmAsk &ask) mutable {
            promptsShown.append(Child<QLineEdit>(ask, "edUser")->text());
            Child<QLineEdit>(ask, "edUser")->setText(QStringLiteral("ann"));
            Child<QLineEdit>(ask, "edPass")->setText(QStringLiteral("typed-secret"));
            const int a = answers.isEmpty() ? PromptAbort : answers.takeFirst();
            if (a == kClosed)
                ask.reject();
            else
                Child<QPushButton>(ask, a == PromptOK ? "btOK" : a == PromptAbort ? "btAbort" : "btSkip")->click();
        };
    }

    int pausesOf(int ms) const { return int(actingPause.pauses.count(ms)); }

    QStringList lineReports;
    std::function<void()> onLineReport; // in the program a report is a box, which lets other events run
    std::unique_ptr<SimLine> line;
    std::unique_ptr<RecordingService> recorder;
    std::unique_ptr<RasApi> lineApi;
    RecordingPause &actingPause = pause;
    std::function<void(TfmAsk &)> answerPrompt;
    // The details window start() gives the main window; none by default.
    std::function<QDialog *(TfmVantrel &)> detailsWindow;
    QStringList promptsShown;
    std::unique_ptr<Dialer> dialer;
    std::unique_ptr<DialWindows> windows;
    // The dialer's progress window, once a run has made it.
    TfmConnect *fmConnect() const { return windows->fmConnect(); }
    // Its buttons and status line, by their object names.
    QPushButton *btAbort() const { return Child<QPushButton>(*fmConnect(), "btAbort"); }
    QPushButton *btSkip() const { return Child<QPushButton>(*fmConnect(), "btSkip"); }
    QString statusLine() const { return Child<QPlainTextEdit>(*fmConnect(), "Memo1")->toPlainText(); }
};

} // namespace vantrel::test
