// SPDX-License-Identifier: GPL-3.0-or-later
// Every window as assistive technology sees it: each input and button answers
// to a name of words, the alarm message is announced, and in German the tray
// menu and a window speak German.
#include "platform/translators.h"
#include "ui/windows/everywindow.h"

#include <QAccessible>
#include <QLabel>
#include <QRegularExpression>
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
    case QAccessible::PushButton: // a tool button too
        return true;
    default: return false;
    }
}

// What a screen reader says a control is: the label that labels it where there
// is one, else its own name. A drop-down list's own name is its value on Linux,
// which names nothing.
QString spokenName(QAccessibleInterface *node)
{
    for (const auto &[label, relation] : node->relations(QAccessible::Label))
        if (label && !label->text(QAccessible::Name).trimmed().isEmpty())
            return label->text(QAccessible::Name);
    const QString own = node->text(QAccessible::Name);
    return node->role() == QAccessible::ComboBox && own == node->text(QAccessible::Value) ? QString() : own;
}

// The inputs and buttons among the window's descendants whose name has no
// word in it (none, or "..."), walked through the accessibility tree as a
// screen reader walks it.
QStringList namelessInputs(QWidget *window)
{
    static const QRegularExpression word(QStringLiteral("\\w"));
    QStringList nameless;
    std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *node) {
        if (!node)
            return;
        if (isInput(node->role()) && !spokenName(node).contains(word))
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

class Accessibility : public EveryWindowFixture {
protected:
    void SetUp() override { QAccessible::setActive(true); }
};

TEST_F(Accessibility, EveryInputAndButtonOfEveryWindowHasAName)
{
    prepare();
    for (const auto &[name, make, fill] : everyWindow()) {
        SCOPED_TRACE(name);
        std::unique_ptr<QWidget> window(make());
        window->show();
        fill(window.get());
        EXPECT_EQ(namelessInputs(window.get()).join(u' ').toStdString(), "");
    }
}

// The alarm message takes no focus (its one button is no tab stop): a screen
// reader speaks it as an alert, with its message, when it comes up.
TEST_F(Accessibility, TheAlarmMessageIsAnAlertWithItsText)
{
    TMsgAlarm window({}, QPixmap(32, 32));
    window.addText(QStringLiteral("Time Left: 45 minutes.\n3 warning(s)"));
    window.show();
    QAccessibleInterface *alarm = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(alarm->role(), QAccessible::AlertMessage);
    EXPECT_EQ(alarm->text(QAccessible::Name), QStringLiteral("Vantrel Alarm"));
    EXPECT_EQ(alarm->text(QAccessible::Description), QStringLiteral("Time Left: 45 minutes.\n3 warning(s)"));
}

// Captions of the tray menu and the configuration window, and the texts the
// details window shows of the sockets layer's record, by object name.
QMap<QString, QString> captions(TfmVantrel &fm, TfmConfig &config, TVantrelWSInfo &details)
{
    QMap<QString, QString> out;
    for (QAction *item : Child<QMenu>(fm, "PopupMenu")->actions())
        if (!item->isSeparator())
            out.insert(item->objectName(), item->text());
    out.insert(QStringLiteral("fmConfig"), config.windowTitle());
    details.FormShow();
    out.insert(QStringLiteral("Ver"), Child<QLabel>(details, "Ver")->text());
    out.insert(QStringLiteral("Status"), Child<QLabel>(details, "Status")->text());
    return out;
}

TEST_F(Accessibility, InGermanTheTrayMenuAndAWindowSpeakGerman)
{
    prepare();
    const auto shown = [this] {
        return captions(*fm, *std::make_unique<TfmConfig>(state, platform, *fm, &configLine, QStringLiteral("/x")),
                        *std::make_unique<TVantrelWSInfo>(state, platform, *fm, QStringLiteral("/x")));
    };
    const QMap<QString, QString> english = shown();
    fm.reset();

    QTranslator german;
    ASSERT_TRUE(german.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("vantrel"), QStringLiteral("_"),
                            kTranslationsFolder));
    QCoreApplication::installTranslator(&german);
    const auto removeGerman = qScopeGuard([&] { QCoreApplication::removeTranslator(&german); });
    create();
    PosixSockets().WSAStartup(0x0101, &state.WinsockInfo);
    const QMap<QString, QString> translated = shown();

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
