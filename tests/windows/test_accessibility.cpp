// SPDX-License-Identifier: GPL-3.0-or-later
// Every window as assistive technology sees it: each input answers to a name,
// and in German the tray menu and a window speak German.
#include "alarm/fmalarm.h"
#include "alarm/msgalarm.h"
#include "dialer/fmask.h"
#include "dialer/fmcnx.h"
#include "dialer/fmconnect.h"
#include "monitor/fmlogo.h"
#include "monitor/monitorfixture.h"
#include "platform/translators.h"
#include "windows/fmabout.h"
#include "windows/fmaddresses.h"
#include "windows/fmpreferences.h"
#include "monitor/publicaddress.h"
#include "platform/sockets/networkwatch.h"
#include "support/fakepublic.h"
#include "windows/fmconfig.h"
#include "windows/fmlog.h"
#include "windows/vantrelwsinfo.h"

#include <QAccessible>
#include <QLabel>
#include <QTranslator>

#include <functional>

namespace vantrel::test {
namespace {

bool isInput(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::List:
    case QAccessible::Table:
        return true;
    default:
        return false;
    }
}

// The inputs among the window's descendants that have no accessible name,
// walked through the accessibility tree as a screen reader walks it.
QStringList namelessInputs(QWidget *window)
{
    QStringList nameless;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        if (!node)
            return;
        if (isInput(node->role()) && node->text(QAccessible::Name).trimmed().isEmpty())
            nameless.append(node->object() ? node->object()->objectName() : QStringLiteral("(no object)"));
        // The items of a list carry their own text; the list itself is what needs a name.
        if (node->role() == QAccessible::List || node->role() == QAccessible::Table)
            return;
        for (int i = 0; i < node->childCount(); ++i)
            walk(node->child(i));
    };
    walk(QAccessible::queryAccessibleInterface(window));
    return nameless;
}

class Accessibility : public MonitorFixture {
protected:
    void SetUp() override { QAccessible::setActive(true); }
};

TEST_F(Accessibility, EveryInputOfEveryWindowHasAName)
{
    create();
    QFile log(state.ProgramFolder + QStringLiteral("/Vantrel.log"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    QLabel configLine;
    RecordingMessageBoxes quiet;
    FakeInterfaces interfaces;
    FakeLookup lookup;
    PublicAddress publicAddress(lookup, clock, {});
    const std::vector<std::pair<const char *, std::function<QWidget *()>>> windows = {
        {"configuration", [&] { return new TfmConfig(state, platform, *fm, &configLine, QStringLiteral("/x")); }},
        {"entries", [&] { return new TfmCnx(state, platform, *fm); }},
        {"alarm settings", [&] { return new TfmAlarm(state, platform, fm->alarm()); }},
        {"alarm message", [&] { return new TMsgAlarm({}, QPixmap(32, 32)); }},
        {"credentials", [&] { return new TfmAsk(QStringLiteral("Morvent Online"), QString(), QString()); }},
        {"progress", [&] { return new TfmConnect(); }},
        {"details", [&] { return new TVantrelWSInfo(state, platform, *fm, QStringLiteral("/x")); }},
        {"log viewer", [&] { return new TfmLog(state, quiet); }},
        {"about", [&] { return new TfmAbout(); }},
        {"splash", [&] { return new TfmLogo(); }},
        {"preferences", [&] { return new TfmPreferences(DefaultPreferences(), registry, quiet, {}); }},
        {"network addresses", [&] { return new TfmAddresses(interfaces, publicAddress, nullptr, {}); }},
    };
    for (const auto &[name, make] : windows) {
        SCOPED_TRACE(name);
        std::unique_ptr<QWidget> window(make());
        window->show();
        EXPECT_EQ(namelessInputs(window.get()).join(u' ').toStdString(), "");
    }
}

// Captions of the tray menu and the configuration window, by object name.
QMap<QString, QString> captions(TfmVantrel &fm, TfmConfig &config)
{
    QMap<QString, QString> out;
    for (QAction *item : fm.PopupMenu->actions())
        if (!item->isSeparator())
            out.insert(item->objectName(), item->text());
    out.insert(QStringLiteral("fmConfig"), config.windowTitle());
    return out;
}

TEST_F(Accessibility, InGermanTheTrayMenuAndAWindowSpeakGerman)
{
    QLabel configLine;
    create();
    const QMap<QString, QString> english
        = captions(*fm, *std::make_unique<TfmConfig>(state, platform, *fm, &configLine, QStringLiteral("/x")));
    fm.reset();

    QTranslator german;
    ASSERT_TRUE(german.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("vantrel"), QStringLiteral("_"),
                            kTranslationsFolder));
    QCoreApplication::installTranslator(&german);
    const auto removeGerman = qScopeGuard([&] { QCoreApplication::removeTranslator(&german); });
    create();
    const QMap<QString, QString> translated
        = captions(*fm, *std::make_unique<TfmConfig>(state, platform, *fm, &configLine, QStringLiteral("/x")));

    ASSERT_EQ(translated.keys(), english.keys());
    QSet<QChar> menuKeys;
    for (auto it = translated.cbegin(); it != translated.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        EXPECT_NE(it.value(), english.value(it.key())) << it.value().toStdString();
        // The menu is worked by its mnemonic letters: one per item, none twice.
        if (it.key().endsWith(u'1')) { // menu items: Open1, CopyIP1...
            const qsizetype amp = it.value().indexOf(u'&');
            ASSERT_GE(amp, 0) << it.value().toStdString();
            const QChar key = it.value().at(amp + 1).toLower();
            EXPECT_FALSE(menuKeys.contains(key)) << it.value().toStdString();
            menuKeys.insert(key);
        }
    }
}

} // namespace
} // namespace vantrel::test
