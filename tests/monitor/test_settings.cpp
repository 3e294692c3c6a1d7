// SPDX-License-Identifier: GPL-3.0-or-later
// Loading and storing AppSettings: defaults, value types, the order of reads and
// writes, and what happens when a write fails.
#include "monitor/preferences.h"
#include "monitor/settings.h"
#include "platform/registry/fileregistry.h"
#include "support/recordingmessageboxes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;

namespace {

const QString kMain = QStringLiteral("\\Software\\Morvent\\Vantrel");
const QString kCycle = QStringLiteral("\\Software\\Morvent\\Vantrel\\Cycle");
const QString kRun = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

// A real FileRegistry behind a layer that records every call and can make the
// Nth setValue (counted from 1) or opening a given key fail.
class RecordingRegistry final : public Registry {
public:
    RecordingRegistry(Registry &inner) : m_inner(inner) {}

    QStringList calls;    // "open <path> create", "query <name>", "set <name>", "delete <name>"
    int failSetAt = 0;    // 0: no failure
    QStringList failOpen; // key paths (as passed) whose opening fails
    int sets = 0;

    QStringList callsOf(const QString &kind) const
    {
        QStringList out;
        for (const QString &c : calls)
            if (c.startsWith(kind + QLatin1Char(' ')))
                out << c.mid(kind.size() + 1);
        return out;
    }

    RegStatus openKey(Hive hive, const QString &path, bool create, RegKey *key) override
    {
        calls << QStringLiteral("open %1%2").arg(path, create ? QStringLiteral(" create") : QString());
        if (failOpen.contains(path))
            return RegStatus::AccessDenied;
        return m_inner.openKey(hive, path, create, key);
    }
    RegStatus queryValue(const RegKey &key, const QString &name, RegValue *value) override
    {
        calls << QStringLiteral("query ") + name;
        return m_inner.queryValue(key, name, value);
    }
    RegStatus setValue(const RegKey &key, const QString &name, const RegValue &value) override
    {
        calls << QStringLiteral("set ") + name;
        if (++sets == failSetAt)
            return RegStatus::WriteFault;
        return m_inner.setValue(key, name, value);
    }
    RegStatus deleteValue(const RegKey &key, const QString &name) override
    {
        calls << QStringLiteral("delete ") + name;
        return m_inner.deleteValue(key, name);
    }
    void closeKey(RegKey *key) override
    {
        calls << QStringLiteral("close");
        m_inner.closeKey(key);
    }

private:
    Registry &m_inner;
};

struct Profile {
    QTemporaryDir dir;
    FileRegistry registry{dir.path() + QStringLiteral("/vantrel"), dir.path() + QStringLiteral("/autostart")};
    RecordingMessageBoxes boxes;

    QString autostartFile() const { return dir.path() + QStringLiteral("/autostart/Vantrel.desktop"); }

    void set(const QString &key, const QString &name, const RegValue &v)
    {
        RegKey k;
        ASSERT_EQ(registry.openKey(Hive::CurrentUser, key, true, &k), RegStatus::Success);
        ASSERT_EQ(registry.setValue(k, name, v), RegStatus::Success);
        registry.closeKey(&k);
    }
    std::optional<RegValue> get(Hive hive, const QString &key, const QString &name)
    {
        RegKey k;
        RegValue v;
        if (registry.openKey(hive, key, false, &k) != RegStatus::Success
            || registry.queryValue(k, name, &v) != RegStatus::Success)
            return std::nullopt;
        return v;
    }
    std::optional<RegValue> get(const QString &name) { return get(Hive::CurrentUser, kMain, name); }
    bool mainKeyExists()
    {
        RegKey k;
        return registry.openKey(Hive::CurrentUser, kMain, false, &k) == RegStatus::Success;
    }
};

RegValue raw(RegType type, const QByteArray &bytes)
{
    RegValue v;
    v.type = type;
    v.bytes = bytes;
    return v;
}

RegValue expandSz(const QString &s)
{
    RegValue v;
    v.type = RegType::ExpandSz;
    v.text = s;
    return v;
}

// Every field away from its default, so that a load must really set each one.
AppSettings scrambled()
{
    AppSettings s;
    s.Conn = true;
    s.Anim = false;
    s.Def = 77;
    s.Log = true;
    s.Alarm = true;
    s.Set = 9;
    s.Interval = 99;
    s.Sound = 9;
    s.Wave = QStringLiteral("junk");
    s.Box = true;
    s.Message = QStringLiteral("junk");
    s.RASCnx = QStringLiteral("junk");
    s.Ask = true;
    s.Redial = 99;
    s.Wait = 99;
    s.Cycled = QStringLiteral("9");
    s.RunAtStartup = 9;
    s.CycleEntries.fill(QStringLiteral("junk"));
    return s;
}

void expectDefaults(const AppSettings &s, const QString &message)
{
    EXPECT_FALSE(s.Conn);
    EXPECT_TRUE(s.Anim);
    EXPECT_EQ(s.Def, 0);
    EXPECT_FALSE(s.Log);
    EXPECT_FALSE(s.Alarm);
    EXPECT_EQ(s.Set, 0);
    EXPECT_EQ(s.Interval, 0);
    EXPECT_EQ(s.Sound, 0);
    EXPECT_EQ(s.Wave, QString());
    EXPECT_FALSE(s.Box);
    EXPECT_EQ(s.Message, message);
    EXPECT_EQ(s.RASCnx, QString());
    EXPECT_FALSE(s.Ask);
    EXPECT_EQ(s.Redial, 1);
    EXPECT_EQ(s.Wait, 0);
    EXPECT_EQ(s.Cycled, QString());
    EXPECT_EQ(s.RunAtStartup, 0);
    for (const QString &e : s.CycleEntries)
        EXPECT_EQ(e, QString());
}

} // namespace

TEST(Settings, CleanProfileGivesTheNoKeyDefaultsAndWritesOnlyTheMarkers)
{
    Profile p;
    AppSettings s = scrambled();
    LoadSettings(p.registry, p.boxes, s);
    expectDefaults(s, QStringLiteral("Elapsed Time: $m minutes.$n$t warning(s)"));
    EXPECT_TRUE(p.boxes.shown.isEmpty());
    EXPECT_FALSE(p.mainKeyExists());
    EXPECT_EQ(p.get(Hive::LocalMachine, QStringLiteral("\\SOFTWARE\\Morvent"), QString()),
              RegValue::string(QStringLiteral("The Tallwater")));
    EXPECT_EQ(p.get(Hive::LocalMachine, QStringLiteral("\\SOFTWARE\\Morvent\\Vantrel"), QStringLiteral("Version")),
              RegValue::string(QStringLiteral("4.12")));
    EXPECT_EQ(p.get(Hive::LocalMachine, QStringLiteral("\\SOFTWARE\\Morvent\\Vantrel"), QStringLiteral("Language")),
              RegValue::string(QStringLiteral("English")));
}

TEST(Settings, EmptyMainKeyGivesTheNoValueDefaults)
{
    Profile p;
    RegKey k;
    ASSERT_EQ(p.registry.openKey(Hive::CurrentUser, kMain, true, &k), RegStatus::Success);
    AppSettings s = scrambled();
    LoadSettings(p.registry, p.boxes, s);
    expectDefaults(s, QStringLiteral("Elapsed time: $m minutes.$n$t warning(s)"));
    EXPECT_TRUE(p.boxes.shown.isEmpty());
}

TEST(Settings, EachValueIsReadByItsOwnTypeRule)
{
    const struct {
        const char *what;
        QString name;
        RegValue stored;
        std::function<bool(const AppSettings &)> check;
    } cases[] = {
        {"Message of a number type", QStringLiteral("Message"), RegValue::dword(5),
         [](const AppSettings &s) { return s.Message == QStringLiteral("Time Left: $m minutes.$n$t warning(s)"); }},
        {"Message empty", QStringLiteral("Message"), RegValue::string(QString()),
         [](const AppSettings &s) { return s.Message == QStringLiteral("Elapsed time: $m minutes.$n$t warning(s)"); }},
        {"Message expandable", QStringLiteral("Message"), expandSz(QStringLiteral("%m $m")),
         [](const AppSettings &s) { return s.Message == QStringLiteral("%m $m"); }},
        {"Sound 258 keeps its low byte", QStringLiteral("Sound"), RegValue::dword(258),
         [](const AppSettings &s) { return s.Sound == 2; }},
        {"Set 0x101 keeps its low byte", QStringLiteral("Set"), RegValue::dword(0x101),
         [](const AppSettings &s) { return s.Set == 1; }},
        {"any non-zero number is true", QStringLiteral("Conn"), RegValue::dword(7),
         [](const AppSettings &s) { return s.Conn; }},
        {"Conn as text", QStringLiteral("Conn"), RegValue::string(QStringLiteral("1")),
         [](const AppSettings &s) { return !s.Conn; }},
        {"Anim as binary", QStringLiteral("Anim"), raw(RegType::Binary, QByteArray(4, '\0')),
         [](const AppSettings &s) { return s.Anim; }},
        {"Anim off", QStringLiteral("Anim"), RegValue::dword(0), [](const AppSettings &s) { return !s.Anim; }},
        {"Redial as text", QStringLiteral("Redial"), RegValue::string(QStringLiteral("5")),
         [](const AppSettings &s) { return s.Redial == 1; }},
        {"Redial", QStringLiteral("Redial"), RegValue::dword(5), [](const AppSettings &s) { return s.Redial == 5; }},
        {"Interval is a signed 32-bit number", QStringLiteral("Interval"), RegValue::dword(0xffffffff),
         [](const AppSettings &s) { return s.Interval == -1; }},
        {"Wave of a number type", QStringLiteral("Wave"), RegValue::dword(1),
         [](const AppSettings &s) { return s.Wave.isEmpty(); }},
        {"Wave expandable", QStringLiteral("Wave"), expandSz(QStringLiteral("/snd/a b.wav")),
         [](const AppSettings &s) { return s.Wave == QStringLiteral("/snd/a b.wav"); }},
        {"Log stored as Log is found", QStringLiteral("Log"), RegValue::dword(1),
         [](const AppSettings &s) { return s.Log; }},
        {"Def", QStringLiteral("Def"), RegValue::dword(2), [](const AppSettings &s) { return s.Def == 2; }},
        {"Wait", QStringLiteral("Wait"), RegValue::dword(30), [](const AppSettings &s) { return s.Wait == 30; }},
        {"Ask", QStringLiteral("Ask"), RegValue::dword(1), [](const AppSettings &s) { return s.Ask; }},
        {"Box", QStringLiteral("Box"), RegValue::dword(1), [](const AppSettings &s) { return s.Box; }},
        {"Alarm", QStringLiteral("Alarm"), RegValue::dword(1), [](const AppSettings &s) { return s.Alarm; }},
        {"RASCnx", QStringLiteral("RASCnx"), RegValue::string(QStringLiteral("3,Office")),
         [](const AppSettings &s) { return s.RASCnx == QStringLiteral("3,Office"); }},
        {"RunAtStartup", QStringLiteral("RunAtStartup"), RegValue::dword(1),
         [](const AppSettings &s) { return s.RunAtStartup == 1; }},
    };
    for (const auto &c : cases) {
        Profile p;
        p.set(kMain, c.name, c.stored);
        AppSettings s = scrambled();
        LoadSettings(p.registry, p.boxes, s);
        EXPECT_TRUE(c.check(s)) << c.what;
        EXPECT_TRUE(p.boxes.shown.isEmpty()) << c.what;
    }
}

TEST(Settings, LoadReadsInItsFixedOrderAndWritesNothingPerUser)
{
    Profile p;
    p.set(kMain, QStringLiteral("Cycled"), RegValue::string(QStringLiteral("2")));
    p.set(kCycle, QStringLiteral("1"), RegValue::string(QStringLiteral("A")));
    const QByteArray userBefore = [&] {
        QFile f(p.registry.hiveFile(Hive::CurrentUser));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    RecordingRegistry rec(p.registry);
    AppSettings s;
    LoadSettings(rec, p.boxes, s);
    EXPECT_EQ(rec.callsOf(QStringLiteral("query")),
              (QStringList{"Conn", "log",     "Anim",   "Def",    "Alarm", "Set",    "Interval", "Sound",        "Wave",
                           "Box",  "Message", "RASCnx", "Redial", "Wait",  "Cycled", "Ask",      "RunAtStartup", "1",
                           "2",    "3",       "4",      "5",      "6",     "7",      "8"}));
    EXPECT_EQ(rec.callsOf(QStringLiteral("open")),
              (QStringList{"\\SOFTWARE\\Morvent create", "\\SOFTWARE\\Morvent\\Vantrel create",
                           "\\Software\\Morvent\\Vantrel", "\\Software\\Morvent\\Vantrel\\Cycle"}));
    EXPECT_EQ(rec.callsOf(QStringLiteral("set")), (QStringList{"", "Version", "Language"}));
    EXPECT_EQ(rec.calls.count(QStringLiteral("close")), 4);
    QFile f(p.registry.hiveFile(Hive::CurrentUser));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), userBefore);
    EXPECT_EQ(s.CycleEntries[0], QStringLiteral("A"));
}

TEST(Settings, MachineMarkersThatCannotBeWrittenAreSkippedQuietly)
{
    Profile p;
    p.set(kMain, QStringLiteral("Def"), RegValue::dword(1));
    RecordingRegistry rec(p.registry);
    rec.failOpen = QStringList{QStringLiteral("\\SOFTWARE\\Morvent"), QStringLiteral("\\SOFTWARE\\Morvent\\Vantrel")};
    AppSettings s;
    LoadSettings(rec, p.boxes, s);
    EXPECT_EQ(s.Def, 1);
    EXPECT_TRUE(rec.callsOf(QStringLiteral("set")).isEmpty());
    EXPECT_TRUE(p.boxes.shown.isEmpty());
}

TEST(Settings, CycleSlots)
{
    const QString forty = QStringLiteral("0123456789012345678901234567890123456789");
    {
        SCOPED_TRACE("Cycled without a Cycle key");
        Profile p;
        p.set(kMain, QStringLiteral("Cycled"), RegValue::string(QStringLiteral("3")));
        AppSettings s = scrambled();
        LoadSettings(p.registry, p.boxes, s);
        EXPECT_EQ(s.Cycled, QStringLiteral("3"));
        for (const QString &e : s.CycleEntries)
            EXPECT_TRUE(e.isEmpty());
        EXPECT_TRUE(p.boxes.shown.isEmpty());
    }
    {
        SCOPED_TRACE("long names cut, missing slots empty");
        Profile p;
        p.set(kMain, QStringLiteral("Cycled"), RegValue::string(QStringLiteral("3")));
        p.set(kCycle, QStringLiteral("1"), RegValue::string(forty));
        p.set(kCycle, QStringLiteral("2"), expandSz(QStringLiteral("Home")));
        p.set(kCycle, QStringLiteral("4"), RegValue::string(QStringLiteral("Spare")));
        AppSettings s;
        LoadSettings(p.registry, p.boxes, s);
        EXPECT_EQ(s.CycleEntries[0], forty.left(32));
        EXPECT_EQ(s.CycleEntries[1], QStringLiteral("Home"));
        EXPECT_EQ(s.CycleEntries[2], QString());
        EXPECT_EQ(s.CycleEntries[3], QStringLiteral("Spare"));
        EXPECT_EQ(s.Cycled, QStringLiteral("3"));
        EXPECT_TRUE(p.boxes.shown.isEmpty());
    }
    {
        SCOPED_TRACE("a slot of a non-string type disables the cycle for this run");
        Profile p;
        p.set(kMain, QStringLiteral("Cycled"), RegValue::string(QStringLiteral("3")));
        p.set(kCycle, QStringLiteral("1"), RegValue::string(QStringLiteral("Office")));
        p.set(kCycle, QStringLiteral("2"), RegValue::dword(2));
        p.set(kCycle, QStringLiteral("3"), RegValue::string(QStringLiteral("Home")));
        AppSettings s = scrambled();
        LoadSettings(p.registry, p.boxes, s);
        ASSERT_EQ(p.boxes.shown.size(), 1);
        EXPECT_EQ(p.boxes.shown[0].title, QStringLiteral("Vantrel Message"));
        EXPECT_EQ(p.boxes.shown[0].text, QStringLiteral("Can't read Cyclic connections info. Cycle is disabled."));
        EXPECT_EQ(p.boxes.shown[0].icon, MessageBoxes::Icon::Warning);
        EXPECT_EQ(s.CycleEntries[0], QStringLiteral("Office"));
        for (size_t i = 1; i < s.CycleEntries.size(); ++i)
            EXPECT_EQ(s.CycleEntries[i], QString()) << i;
        EXPECT_EQ(s.Cycled, QString());
        EXPECT_EQ(p.get(QStringLiteral("Cycled")), RegValue::string(QStringLiteral("3"))) << "the registry keeps it";
    }
}

TEST(Settings, AlarmGroupIsStoredInOrderAndStopsAtTheFirstFailedWrite)
{
    const QStringList order{"Alarm", "Sound", "Interval", "Set", "Wave", "Message", "Box"};
    for (int failAt = 0; failAt <= order.size(); ++failAt) {
        SCOPED_TRACE(failAt);
        Profile p;
        RecordingRegistry rec(p.registry);
        rec.failSetAt = failAt;
        AppSettings s;
        s.Alarm = true;
        s.Sound = 2;
        s.Interval = 45;
        s.Set = 1;
        s.Wave = QStringLiteral("/snd/ding.wav");
        s.Message = QStringLiteral("$m minutes");
        s.Box = true;
        StoreAlarmSettings(rec, s);
        const qsizetype written = failAt == 0 ? order.size() : failAt;
        EXPECT_EQ(rec.callsOf(QStringLiteral("set")), order.mid(0, written));
        EXPECT_EQ(rec.calls.first(), QStringLiteral("open \\Software\\Morvent\\Vantrel create"));
        EXPECT_EQ(rec.calls.last(), QStringLiteral("close"));
        for (qsizetype i = 0; i < order.size(); ++i)
            EXPECT_EQ(p.get(order[i]).has_value(), failAt == 0 || i < failAt - 1) << order[i].toStdString();
    }
    Profile p;
    AppSettings s;
    s.Sound = 2;
    s.Interval = -5;
    s.Wave = QStringLiteral("/a b.wav");
    StoreAlarmSettings(p.registry, s);
    EXPECT_EQ(p.get(QStringLiteral("Alarm")), RegValue::dword(0));
    EXPECT_EQ(p.get(QStringLiteral("Sound")), RegValue::dword(2));
    EXPECT_EQ(p.get(QStringLiteral("Interval")), RegValue::dword(0xfffffffb));
    EXPECT_EQ(p.get(QStringLiteral("Wave")), RegValue::string(QStringLiteral("/a b.wav")));
}

TEST(Settings, ConfigurationGroupStopsAtTheFirstFailedWriteAndSetsTheRunEntry)
{
    const QStringList order{"Conn", "Anim", "Def", "Log", "RunAtStartup"};
    const QString program = QStringLiteral("/home/ann/My Apps/vantrel");
    for (int failAt = 0; failAt <= order.size(); ++failAt) {
        SCOPED_TRACE(failAt);
        Profile p;
        RecordingRegistry rec(p.registry);
        rec.failSetAt = failAt;
        AppSettings s;
        s.Conn = true;
        s.Log = true;
        s.Def = 2;
        s.RunAtStartup = 1;
        StoreConfiguration(rec, s, program);
        const qsizetype written = failAt == 0 ? order.size() : failAt;
        EXPECT_EQ(rec.callsOf(QStringLiteral("set")), order.mid(0, written) + QStringList{"Vantrel"});
        for (qsizetype i = 0; i < order.size(); ++i)
            EXPECT_EQ(p.get(order[i]).has_value(), failAt == 0 || i < failAt - 1) << order[i].toStdString();
        EXPECT_TRUE(rec.calls.contains(QStringLiteral("open ") + kRun)) << "opened without creating";
    }

    Profile p;
    AppSettings s;
    s.RunAtStartup = 1;
    StoreConfiguration(p.registry, s, program);
    EXPECT_EQ(p.get(Hive::LocalMachine, kRun, QStringLiteral("Vantrel")), RegValue::string(program));
    EXPECT_TRUE(QFile::exists(p.autostartFile()));
    s.RunAtStartup = 0;
    StoreConfiguration(p.registry, s, program);
    EXPECT_FALSE(QFile::exists(p.autostartFile()));
    EXPECT_EQ(p.get(QStringLiteral("RunAtStartup")), RegValue::dword(0));

    // A Log written here is the one the loader's "log" lookup finds.
    s.Log = true;
    StoreConfiguration(p.registry, s, program);
    AppSettings loaded;
    LoadSettings(p.registry, p.boxes, loaded);
    EXPECT_TRUE(loaded.Log);
}

TEST(Settings, ConnectionGroupSkipsOnlyTheValueThatFailed)
{
    const QStringList order{"RASCnx", "Ask", "Redial", "Wait", "Cycled"};
    for (int failAt = 1; failAt <= order.size(); ++failAt) {
        SCOPED_TRACE(failAt);
        Profile p;
        RecordingRegistry rec(p.registry);
        rec.failSetAt = failAt;
        AppSettings s;
        s.RASCnx = QStringLiteral("2,Office");
        s.Ask = true;
        s.Redial = 3;
        s.Wait = 10;
        EXPECT_TRUE(StoreConnectionSettings(rec, s));
        EXPECT_EQ(rec.callsOf(QStringLiteral("set")), order);
        for (qsizetype i = 0; i < order.size(); ++i)
            EXPECT_EQ(p.get(order[i]).has_value(), i != failAt - 1) << order[i].toStdString();
        EXPECT_FALSE(rec.calls.contains(QStringLiteral("open ") + kCycle + QStringLiteral(" create")));
    }
}

TEST(Settings, ConnectionGroupStoresAllEightSlotsOfACycle)
{
    Profile p;
    RecordingRegistry rec(p.registry);
    AppSettings s;
    s.RASCnx = QStringLiteral("Multiple selections");
    s.Cycled = QStringLiteral("2");
    s.CycleEntries[0] = QStringLiteral("Office");
    s.CycleEntries[1] = QStringLiteral("Home");
    s.CycleEntries[5] = QStringLiteral("stale");
    EXPECT_TRUE(StoreConnectionSettings(rec, s));
    EXPECT_EQ(rec.callsOf(QStringLiteral("set")),
              (QStringList{"RASCnx", "Ask", "Redial", "Wait", "Cycled", "1", "2", "3", "4", "5", "6", "7", "8"}));
    AppSettings loaded;
    LoadSettings(p.registry, p.boxes, loaded);
    EXPECT_EQ(loaded.Cycled, QStringLiteral("2"));
    EXPECT_EQ(loaded.RASCnx, QStringLiteral("Multiple selections"));
    for (size_t i = 0; i < s.CycleEntries.size(); ++i)
        EXPECT_EQ(loaded.CycleEntries[i], s.CycleEntries[i]) << i;
}

TEST(Settings, FailedCycleSlotClearsTheCycle)
{
    for (int failingSlot = 1; failingSlot <= 8; ++failingSlot) {
        SCOPED_TRACE(failingSlot);
        Profile p;
        RecordingRegistry rec(p.registry);
        rec.failSetAt = 5 + failingSlot; // five main values come first
        AppSettings s;
        s.Cycled = QStringLiteral("3");
        s.CycleEntries[0] = QStringLiteral("A");
        s.CycleEntries[1] = QStringLiteral("B");
        s.CycleEntries[2] = QStringLiteral("C");
        EXPECT_FALSE(StoreConnectionSettings(rec, s));
        EXPECT_EQ(s.Cycled, QString());
        EXPECT_EQ(p.get(QStringLiteral("Cycled")), RegValue::string(QString()));
        QStringList expected{"RASCnx", "Ask", "Redial", "Wait", "Cycled"};
        for (int slot = 1; slot <= failingSlot; ++slot)
            expected << QString::number(slot);
        expected << QStringLiteral("Cycled");
        EXPECT_EQ(rec.callsOf(QStringLiteral("set")), expected);
        for (int slot = 1; slot <= 8; ++slot)
            EXPECT_EQ(p.get(Hive::CurrentUser, kCycle, QString::number(slot)).has_value(), slot < failingSlot) << slot;
    }

    // A Cycle key that cannot be created counts as a failed slot.
    Profile p;
    RecordingRegistry rec(p.registry);
    rec.failOpen = QStringList{kCycle};
    AppSettings s;
    s.Cycled = QStringLiteral("2");
    EXPECT_FALSE(StoreConnectionSettings(rec, s));
    EXPECT_EQ(s.Cycled, QString());
    EXPECT_EQ(p.get(QStringLiteral("Cycled")), RegValue::string(QString()));
}

TEST(Settings, GroupsAreNotStoredWhenTheMainKeyCannotBeOpened)
{
    Profile p;
    RecordingRegistry rec(p.registry);
    rec.failOpen = QStringList{kMain};
    AppSettings s;
    s.Cycled = QStringLiteral("2");
    s.RunAtStartup = 1;
    StoreAlarmSettings(rec, s);
    EXPECT_TRUE(StoreConnectionSettings(rec, s));
    StoreConfiguration(rec, s, QStringLiteral("/usr/bin/vantrel"));
    EXPECT_EQ(rec.callsOf(QStringLiteral("set")), QStringList{"Vantrel"}) << "only the Run entry";
    EXPECT_FALSE(p.mainKeyExists());
    EXPECT_EQ(s.Cycled, QStringLiteral("2"));
}

TEST(Settings, StoredGroupsLoadBackUnchanged)
{
    Profile p;
    AppSettings s;
    s.Conn = true;
    s.Anim = false;
    s.Def = 1;
    s.Log = true;
    s.Alarm = true;
    s.Set = 1;
    s.Interval = 90;
    s.Sound = 2;
    s.Wave = QStringLiteral("/home/ann/snd/\u00e9t\u00e9 \"1\".wav");
    s.Box = true;
    s.Message = QStringLiteral("Online $m min$n($t)");
    s.RASCnx = QStringLiteral("Multiple selections");
    s.Ask = true;
    s.Redial = 4;
    s.Wait = 15;
    s.Cycled = QStringLiteral("3");
    s.CycleEntries = {QStringLiteral("A"), QStringLiteral("B b"), QStringLiteral("C\\c")};
    StoreAlarmSettings(p.registry, s);
    EXPECT_TRUE(StoreConnectionSettings(p.registry, s));
    StoreConfiguration(p.registry, s, QStringLiteral("/usr/bin/vantrel"));

    AppSettings loaded = scrambled();
    LoadSettings(p.registry, p.boxes, loaded);
    EXPECT_EQ(loaded.Conn, s.Conn);
    EXPECT_EQ(loaded.Anim, s.Anim);
    EXPECT_EQ(loaded.Def, s.Def);
    EXPECT_EQ(loaded.Log, s.Log);
    EXPECT_EQ(loaded.Alarm, s.Alarm);
    EXPECT_EQ(loaded.Set, s.Set);
    EXPECT_EQ(loaded.Interval, s.Interval);
    EXPECT_EQ(loaded.Sound, s.Sound);
    EXPECT_EQ(loaded.Wave, s.Wave);
    EXPECT_EQ(loaded.Box, s.Box);
    EXPECT_EQ(loaded.Message, s.Message);
    EXPECT_EQ(loaded.RASCnx, s.RASCnx);
    EXPECT_EQ(loaded.Ask, s.Ask);
    EXPECT_EQ(loaded.Redial, s.Redial);
    EXPECT_EQ(loaded.Wait, s.Wait);
    EXPECT_EQ(loaded.Cycled, s.Cycled);
    EXPECT_EQ(loaded.RunAtStartup, s.RunAtStartup);
    EXPECT_EQ(loaded.CycleEntries, s.CycleEntries);
}

// The additions' preferences: all off by default and nothing written by
// loading; stored under their own names, read back; a value of another type
// keeps its default; an oversized server list is cut, never refused whole.
TEST(Preferences, DefaultsRoundTripAndWrongTypes)
{
    QTemporaryDir dir;
    FileRegistry registry(dir.path(), dir.path() + QStringLiteral("/autostart"));
    EXPECT_EQ(LoadPreferences(registry), DefaultPreferences());
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/user.reg"))) << "loading writes nothing";
    EXPECT_FALSE(DefaultPreferences().PublicLookup || DefaultPreferences().PublicInTip
                 || DefaultPreferences().NotifyConnected);

    Preferences p;
    p.PublicLookup = p.NotifyDropped = p.NotifyDialFailed = true;
    p.PublicServers = QStringLiteral("127.0.0.1:3478 [::1]:3478");
    ASSERT_TRUE(StorePreferences(registry, p));
    EXPECT_EQ(LoadPreferences(registry), p);

    RegKey key;
    ASSERT_EQ(registry.openKey(Hive::CurrentUser, kMain, false, &key), RegStatus::Success);
    registry.setValue(key, QStringLiteral("PublicLookup"), RegValue::string(QStringLiteral("1")));
    registry.setValue(key, QStringLiteral("PublicServers"), RegValue::string(QString(100000, QLatin1Char('a'))));
    registry.closeKey(&key);
    const Preferences back = LoadPreferences(registry);
    EXPECT_FALSE(back.PublicLookup);
    EXPECT_EQ(back.PublicServers.size(), kMaxServersText);
    EXPECT_TRUE(back.NotifyDropped);
}
