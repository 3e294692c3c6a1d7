// SPDX-License-Identifier: GPL-3.0-or-later
// The additions on the real main window with the fake platform: all off by
// default (the menu's own items where they were, nothing asked, nothing
// notified, the tip the poll's own); turned on, the tip and the notifications
// follow; the Preferences window keeps what cannot be used; the Network
// addresses window lists and copies.
#include "dialer/dialer.h"
#include "monitor/publicaddress.h"
#include "platform/sockets/networkwatch.h"
#include "support/fakepublic.h"
#include "ui/monitor/monitorfixture.h"
#include "ui/windows/additions.h"
#include "ui/windows/fmaddresses.h"
#include "ui/windows/fmpreferences.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTranslator>

#include "platform/translators.h"

namespace vantrel::test {
namespace {

class AdditionsTest : public MonitorFixture {
protected:
    void start()
    {
        create();
        dialer = std::make_unique<Dialer>(state, platform, [this] { return fm->connected(); });
        additions = std::make_unique<Additions>(state, platform, *fm, *dialer,
                                                Additions::Services{&lookup, &notifier, &interfaces, [this] {
                                                                        ++watches;
                                                                        return std::make_unique<NetworkWatch>();
                                                                    }});
    }
    void TearDown() override
    {
        additions.reset();
        dialer.reset();
        MonitorFixture::TearDown();
    }
    FakeLookup lookup;
    RecordingNotifier notifier;
    FakeInterfaces interfaces;
    int watches = 0;
    std::unique_ptr<Dialer> dialer;
    std::unique_ptr<Additions> additions;
};

TEST_F(AdditionsTest, AllOffChangesNothingOfThePartsBehaviour)
{
    start();
    QStringList captions;
    for (QAction *a : popupMenu()->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"&Open details...", "Copy &IP", "&Connect", "&View Log...", "&About...", "-", "E&xit",
                                     "-", "&Network addresses...", "&Preferences..."}));

    const HRASCONN line = rasService.addConnection(QStringLiteral("Morvent Online"), QStringLiteral("10.64.3.17"));
    tick();
    rasService.setAddress(line, QStringLiteral("10.64.3.18"));
    tick();
    rasService.dropConnection(line);
    tick();
    EXPECT_TRUE(lookup.started.isEmpty());
    EXPECT_EQ(watches, 0);
    EXPECT_TRUE(notifier.shown.isEmpty());
    EXPECT_EQ(tip(), QStringLiteral("Network is down"));
    EXPECT_FALSE(QFile::exists(home.configDir() + QStringLiteral("/vantrel/user.reg"))) << "nothing stored";
}

TEST_F(AdditionsTest, TurnedOnTheTipAndTheNotificationsFollow)
{
    setUser(QStringLiteral("PublicLookup"), 1);
    setUser(QStringLiteral("PublicInTip"), 1);
    setUser(QStringLiteral("NotifyConnected"), 1);
    setUser(QStringLiteral("NotifyPublic"), 1);
    setUser(QStringLiteral("Anim"), DWORD(0));
    start();
    ASSERT_EQ(lookup.waiting(AddressFamily::V4), 1);
    ASSERT_TRUE(lookup.answer(AddressFamily::V4, QStringLiteral("203.0.113.7")));
    tick(); // down at start: no notice, the tip as the poll has it
    EXPECT_EQ(tip(), QStringLiteral("Network is down"));

    rasService.addConnection(QStringLiteral("Morvent Online"), QStringLiteral("10.64.3.17"));
    tick();
    EXPECT_EQ(tip(), QStringLiteral("203.0.113.7")) << "the public address in the tip's own form";
    EXPECT_EQ(fm->addressText(), QStringLiteral("10.64.3.17")) << "the poll's text stays the local one";
    EXPECT_EQ(notifier.shown, QStringList{"Connection up: Address 10.64.3.17"});
    EXPECT_EQ(additions->publicAddress().nextLookupIn(AddressFamily::V4), PublicAddress::kMinGapMs)
        << "a connect asks again";
    additions->publicAddress().fireTimer(AddressFamily::V4);
    ASSERT_TRUE(lookup.answer(AddressFamily::V4, QStringLiteral("198.51.100.9")));
    EXPECT_EQ(notifier.shown.last(), QStringLiteral("Public IPv4 address changed: from 203.0.113.7 to 198.51.100.9"));
    EXPECT_EQ(tip(), QStringLiteral("198.51.100.9")) << "the tip follows the answer before the next tick";

    Preferences off = additions->preferences();
    off.PublicLookup = false;
    additions->apply(off);
    EXPECT_EQ(tip(), QStringLiteral("10.64.3.17")) << "at once, without a tick";
    EXPECT_TRUE(additions->publicAddress().address4().isEmpty());
}

TEST_F(AdditionsTest, PreferencesKeepWhatCannotBeUsedAndStoreTheRest)
{
    start();
    boxes.hold = true;
    additions->Preferences1Click();
    auto *window = qobject_cast<TfmPreferences *>(additions->preferencesWindow());
    ASSERT_TRUE(window);
    window->findChild<QCheckBox *>(QStringLiteral("cxPublic"))->setChecked(true);
    auto *servers = window->findChild<QPlainTextEdit *>(QStringLiteral("edServers"));
    servers->setPlainText(QStringLiteral("127.0.0.1:3478\nbad_name\nhost:99999"));
    window->btOKClick();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("bad_name, host:99999"))) << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(window->isVisible()) << "the window stays, with what was typed";
    EXPECT_EQ(servers->toPlainText(), QStringLiteral("127.0.0.1:3478\nbad_name\nhost:99999"));
    EXPECT_TRUE(lookup.started.isEmpty());
    boxes.answerNext();

    servers->setPlainText(QStringLiteral("127.0.0.1:3478\n[::1]:3478"));
    window->btOKClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(LoadPreferences(registry).PublicServers, QStringLiteral("127.0.0.1:3478 [::1]:3478"));
    EXPECT_TRUE(LoadPreferences(registry).PublicLookup);
    EXPECT_EQ(lookup.started.size(), 2) << "on at once, IPv4 and IPv6";
}

TEST_F(AdditionsTest, TheAddressesWindowListsAndCopies)
{
    InterfaceAddress eth;
    eth.interfaceName = "eth0";
    eth.index = 2;
    eth.up = true;
    eth.bytes = {10, 0, 0, 5};
    InterfaceAddress down = eth;
    down.interfaceName = "wlan0";
    down.up = false;
    down.bytes = {10, 9, 9, 9};
    interfaces.current.addresses = {eth, down};
    interfaces.current.defaultRoute4 = "eth0";
    start();
    additions->Addresses1Click();
    auto *window = qobject_cast<TfmAddresses *>(additions->addressesWindow());
    ASSERT_TRUE(window);
    auto *list = window->findChild<QTableWidget *>();
    ASSERT_EQ(list->rowCount(), 3) << "eth0, public IPv4 and IPv6; an interface that is down is left out";
    EXPECT_EQ(list->item(0, 1)->text(), QStringLiteral("10.0.0.5"));
    EXPECT_TRUE(list->item(0, 2)->text().contains(QStringLiteral("default route")));
    QApplication::clipboard()->setText(QStringLiteral("marker"));
    EXPECT_TRUE(window->copyRow(0));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("10.0.0.5"));
    EXPECT_FALSE(window->copyRow(1)) << "the lookup is off: nothing to copy";
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("10.0.0.5"));
    // The public rows following the answers: e2e_public.
}

// In German every item of the whole tray menu, the two new ones included,
// keeps a key of its own, and so does every box of the Preferences window.
TEST_F(AdditionsTest, InGermanEveryKeyIsUnique)
{
    QTranslator german;
    ASSERT_TRUE(german.load(QLocale(QLocale::German, QLocale::Germany), "vantrel", "_", kTranslationsFolder));
    QCoreApplication::installTranslator(&german);
    const auto removeGerman = qScopeGuard([&] { QCoreApplication::removeTranslator(&german); });
    start();
    additions->Preferences1Click();
    QStringList menu, window;
    for (QAction *a : popupMenu()->actions())
        menu << a->text(); // a separator's is empty
    for (QAbstractButton *b : additions->preferencesWindow()->findChildren<QCheckBox *>())
        window << b->text();
    EXPECT_TRUE(menu.contains(QStringLiteral("&Netzwerkadressen...")));
    for (const QStringList &captions : {menu, window}) {
        QSet<QChar> keys;
        for (const QString &caption : captions)
            if (const qsizetype amp = caption.indexOf(u'&'); amp >= 0) {
                EXPECT_FALSE(keys.contains(caption.at(amp + 1).toLower())) << caption.toStdString();
                keys.insert(caption.at(amp + 1).toLower());
            } else {
                EXPECT_TRUE(caption.isEmpty()) << "no key: " << caption.toStdString();
            }
    }
}

} // namespace
} // namespace vantrel::test
