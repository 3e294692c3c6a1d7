// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/settings.h"

#include "platform/messageboxes.h"
#include "platform/registry/registry.h"

#include <QCoreApplication>
#include <QStringList>

#include <functional>

namespace vantrel {

namespace {

const QString kMainKey = QStringLiteral("\\Software\\Morvent\\Vantrel");
const QString kCycleKey = QStringLiteral("\\Software\\Morvent\\Vantrel\\Cycle");
const QString kMakerKey = QStringLiteral("\\SOFTWARE\\Morvent");
const QString kProgramKey = QStringLiteral("\\SOFTWARE\\Morvent\\Vantrel");
const QString kRunKey = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

// Closes the key when leaving the scope, whatever path is taken.
class OpenKey {
public:
    OpenKey(Registry &registry, Hive hive, const QString &path, bool create) : m_registry(registry)
    {
        m_ok = registry.openKey(hive, path, create, &m_key) == RegStatus::Success;
    }
    ~OpenKey() { close(); }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

    bool ok() const { return m_ok; }
    const RegKey &key() const { return m_key; }
    void close()
    {
        if (m_ok)
            m_registry.closeKey(&m_key);
        m_ok = false;
    }

private:
    Registry &m_registry;
    RegKey m_key;
    bool m_ok = false;
};

// A 32-bit integer value; nullopt when missing or of another type.
std::optional<DWORD> readNumber(Registry &r, const RegKey &key, const QString &name)
{
    RegValue v;
    if (r.queryValue(key, name, &v) != RegStatus::Success || v.type != RegType::Dword)
        return std::nullopt;
    return v.number;
}

bool readBool(Registry &r, const RegKey &key, const QString &name, bool noValue)
{
    const auto n = readNumber(r, key, name);
    return n ? *n != 0 : noValue;
}

std::int32_t readInt(Registry &r, const RegKey &key, const QString &name, std::int32_t noValue)
{
    const auto n = readNumber(r, key, name);
    return n ? static_cast<std::int32_t>(*n) : noValue;
}

std::uint8_t readByte(Registry &r, const RegKey &key, const QString &name)
{
    const auto n = readNumber(r, key, name);
    return n ? static_cast<std::uint8_t>(*n & 0xff) : 0;
}

enum class StringRead { Text, Missing, Failed };

// A missing value reads as empty; only a value of a non-string type fails.
StringRead readString(Registry &r, const RegKey &key, const QString &name, QString *out)
{
    RegValue v;
    const RegStatus status = r.queryValue(key, name, &v);
    if (status == RegStatus::FileNotFound) {
        out->clear();
        return StringRead::Missing;
    }
    if (status != RegStatus::Success || (v.type != RegType::Sz && v.type != RegType::ExpandSz))
        return StringRead::Failed;
    *out = v.text;
    return StringRead::Text;
}

QString readStringOr(Registry &r, const RegKey &key, const QString &name, const QString &noValue)
{
    QString text;
    return readString(r, key, name, &text) == StringRead::Failed ? noValue : text;
}

// At most `max` characters, never ending in half of a surrogate pair.
QString cutTo(const QString &s, qsizetype max)
{
    if (s.size() <= max)
        return s;
    QString cut = s.left(max);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

// Notes what the registry tells of a write that failed; passes `ok` on.
bool noted(Registry &r, bool ok, QList<RegWriteFailure> *failures)
{
    if (!ok && failures)
        failures->append(r.lastWriteFailure());
    return ok;
}

bool writeBool(Registry &r, const RegKey &key, const QString &name, bool b)
{
    return r.setValue(key, name, RegValue::dword(b ? 1 : 0)) == RegStatus::Success;
}

bool writeInt(Registry &r, const RegKey &key, const QString &name, std::int64_t n)
{
    return r.setValue(key, name, RegValue::dword(static_cast<DWORD>(n))) == RegStatus::Success;
}

bool writeString(Registry &r, const RegKey &key, const QString &name, const QString &s)
{
    return r.setValue(key, name, RegValue::string(s)) == RegStatus::Success;
}

void writeMarkers(Registry &r)
{
    // Failures (no write access to the machine hive) are of no concern to the user.
    OpenKey maker(r, Hive::LocalMachine, kMakerKey, true);
    if (maker.ok())
        writeString(r, maker.key(), QString(), QStringLiteral("The Tallwater"));
    maker.close();
    OpenKey program(r, Hive::LocalMachine, kProgramKey, true);
    if (program.ok()) {
        writeString(r, program.key(), QStringLiteral("Version"), QStringLiteral("4.12"));
        writeString(r, program.key(), QStringLiteral("Language"), QStringLiteral("English"));
    }
}

void loadNoKeyDefaults(AppSettings &s)
{
    s.Conn = false;
    s.Log = false;
    s.Anim = true;
    s.Def = 0;
    s.Alarm = false;
    s.Set = 0;
    s.Interval = 0;
    s.Sound = 0;
    s.Wave.clear();
    s.Box = false;
    s.Message = settings_text::kMessageNoKey;
    s.RASCnx.clear();
    s.Redial = 1;
    s.Wait = 0;
    s.Cycled.clear();
    s.Ask = false;
    s.RunAtStartup = 0;
}

void loadCycle(Registry &r, MessageBoxes &boxes, AppSettings &s)
{
    OpenKey cycle(r, Hive::CurrentUser, kCycleKey, false);
    if (!cycle.ok())
        return; // the slots stay empty and Cycled keeps its value
    for (int slot = 0; slot < kCycleSlots; ++slot) {
        QString name;
        if (readString(r, cycle.key(), QString::number(slot + 1), &name) == StringRead::Failed) {
            cycle.close();
            s.Cycled.clear(); // for this run only: the stored value stays
            boxes.warning(
                QCoreApplication::translate("Settings", "Can't read Cyclic connections info. Cycle is disabled."));
            return;
        }
        s.CycleEntries[static_cast<size_t>(slot)] = cutTo(name, kCycleEntryMaxLength);
    }
}

} // namespace

void LoadSettings(Registry &registry, MessageBoxes &boxes, AppSettings &s)
{
    for (QString &entry : s.CycleEntries)
        entry.clear();

    writeMarkers(registry);

    OpenKey main(registry, Hive::CurrentUser, kMainKey, false);
    if (main.ok()) {
        const RegKey &k = main.key();
        s.Conn = readBool(registry, k, QStringLiteral("Conn"), false);
        // Stored as "Log" by the configuration window; the lookup has always
        // been "log". Names compare without regard to case, so both are one.
        s.Log = readBool(registry, k, QStringLiteral("log"), false);
        s.Anim = readBool(registry, k, QStringLiteral("Anim"), true);
        s.Def = readInt(registry, k, QStringLiteral("Def"), 0);
        s.Alarm = readBool(registry, k, QStringLiteral("Alarm"), false);
        s.Set = readByte(registry, k, QStringLiteral("Set"));
        s.Interval = readInt(registry, k, QStringLiteral("Interval"), 0);
        s.Sound = readByte(registry, k, QStringLiteral("Sound"));
        s.Wave = readStringOr(registry, k, QStringLiteral("Wave"), QString());
        s.Box = readBool(registry, k, QStringLiteral("Box"), false);
        s.Message = readStringOr(registry, k, QStringLiteral("Message"), settings_text::kMessageWrongType);
        s.RASCnx = readStringOr(registry, k, QStringLiteral("RASCnx"), QString());
        s.Redial = readInt(registry, k, QStringLiteral("Redial"), 1);
        s.Wait = readInt(registry, k, QStringLiteral("Wait"), 0);
        s.Cycled = readStringOr(registry, k, QStringLiteral("Cycled"), QString());
        s.Ask = readBool(registry, k, QStringLiteral("Ask"), false);
        s.RunAtStartup = readInt(registry, k, QStringLiteral("RunAtStartup"), 0);
        main.close();
    } else {
        // Nothing is written: the main key appears when a window first stores.
        loadNoKeyDefaults(s);
    }

    if (!s.Cycled.isEmpty())
        loadCycle(registry, boxes, s);

    if (s.Message.isEmpty())
        s.Message = settings_text::kMessageEmpty;
}

void StoreAlarmSettings(Registry &registry, const AppSettings &s, QList<RegWriteFailure> *failures)
{
    OpenKey main(registry, Hive::CurrentUser, kMainKey, true);
    if (!noted(registry, main.ok(), failures))
        return;
    const RegKey &k = main.key();
    // && stops at the first failed write: the values after it are not written.
    (void)noted(registry,
                writeBool(registry, k, QStringLiteral("Alarm"), s.Alarm)
                    && writeInt(registry, k, QStringLiteral("Sound"), s.Sound)
                    && writeInt(registry, k, QStringLiteral("Interval"), s.Interval)
                    && writeInt(registry, k, QStringLiteral("Set"), s.Set)
                    && writeString(registry, k, QStringLiteral("Wave"), s.Wave)
                    && writeString(registry, k, QStringLiteral("Message"), s.Message)
                    && writeBool(registry, k, QStringLiteral("Box"), s.Box),
                failures);
}

bool StoreConnectionSettings(Registry &registry, AppSettings &s, QList<RegWriteFailure> *failures)
{
    bool cycledStored = false;
    {
        OpenKey main(registry, Hive::CurrentUser, kMainKey, true);
        if (!noted(registry, main.ok(), failures))
            return true;
        // Each value on its own: a failed write skips only that value.
        const RegKey &k = main.key();
        noted(registry, writeString(registry, k, QStringLiteral("RASCnx"), s.RASCnx), failures);
        noted(registry, writeBool(registry, k, QStringLiteral("Ask"), s.Ask), failures);
        noted(registry, writeInt(registry, k, QStringLiteral("Redial"), s.Redial), failures);
        noted(registry, writeInt(registry, k, QStringLiteral("Wait"), s.Wait), failures);
        cycledStored = noted(registry, writeString(registry, k, QStringLiteral("Cycled"), s.Cycled), failures);
    }

    if (s.Cycled.isEmpty() || s.Cycled.toInt() < 2)
        return true;

    bool slotsStored = false;
    {
        // A Cycle key that cannot be created is a failure like a failed slot:
        // leaving Cycled set with no slots stored would dial empty entry names
        // at the next start.
        OpenKey cycle(registry, Hive::CurrentUser, kCycleKey, true);
        if (noted(registry, cycle.ok(), failures)) {
            slotsStored = true;
            for (int slot = 0; slot < kCycleSlots && slotsStored; ++slot)
                slotsStored = noted(registry,
                                    writeString(registry, cycle.key(), QString::number(slot + 1),
                                                s.CycleEntries[static_cast<size_t>(slot)]),
                                    failures);
        }
    }
    // With Cycled not stored either the store as a whole does not work (a full
    // disk, a read-only folder): the old cycle is still what is stored, and
    // the new one is kept in memory to be stored when it works again.
    if (slotsStored || !cycledStored)
        return true;

    s.Cycled.clear();
    OpenKey main(registry, Hive::CurrentUser, kMainKey, true);
    if (main.ok())
        writeString(registry, main.key(), QStringLiteral("Cycled"), QString());
    return false;
}

void StoreConfiguration(Registry &registry, const AppSettings &s, const QString &programPath,
                        QList<RegWriteFailure> *failures)
{
    {
        OpenKey main(registry, Hive::CurrentUser, kMainKey, true);
        if (noted(registry, main.ok(), failures)) {
            const RegKey &k = main.key();
            (void)noted(registry,
                        writeBool(registry, k, QStringLiteral("Conn"), s.Conn)
                            && writeBool(registry, k, QStringLiteral("Anim"), s.Anim)
                            && writeInt(registry, k, QStringLiteral("Def"), s.Def)
                            && writeBool(registry, k, QStringLiteral("Log"), s.Log)
                            && writeInt(registry, k, QStringLiteral("RunAtStartup"), s.RunAtStartup),
                        failures);
        }
    }

    // The Run entry follows the choice in memory even when the group above
    // could not be stored: it lives in another key of another hive.
    // `programPath` is the running program file as main finds it
    // (QCoreApplication::applicationFilePath(), the resolved /proc/self/exe), so
    // the entry starts this very build wherever it was installed.
    OpenKey run(registry, Hive::LocalMachine, kRunKey, false);
    if (!run.ok())
        return;
    if (s.RunAtStartup == 1) {
        if (!programPath.isEmpty())
            noted(registry,
                  registry.setValue(run.key(), QStringLiteral("Vantrel"), RegValue::string(programPath))
                      == RegStatus::Success,
                  failures);
    } else {
        const RegStatus status = registry.deleteValue(run.key(), QStringLiteral("Vantrel"));
        noted(registry, status == RegStatus::Success || status == RegStatus::FileNotFound, failures);
    }
}

void SettingsStore::storeAlarm(Registry &registry, MessageBoxes &boxes, AppSettings &s)
{
    store(AlarmGroup, registry, boxes, s);
}

bool SettingsStore::storeConnection(Registry &registry, MessageBoxes &boxes, AppSettings &s)
{
    return store(ConnectionGroup, registry, boxes, s);
}

void SettingsStore::storeConfiguration(Registry &registry, MessageBoxes &boxes, AppSettings &s, const QString &programPath)
{
    m_programPath = programPath;
    store(ConfigurationGroup, registry, boxes, s);
}

void SettingsStore::retry(Registry &registry, MessageBoxes &boxes, AppSettings &s, const QDateTime &now)
{
    if (m_unstored == 0)
        return;
    if (m_lastTry.isValid() && now >= m_lastTry && m_lastTry.secsTo(now) < kRetrySeconds)
        return;
    m_lastTry = now;
    store(0, registry, boxes, s);
}

bool SettingsStore::store(unsigned groups, Registry &registry, MessageBoxes &boxes, AppSettings &s)
{
    groups |= m_unstored;
    bool slotsStored = true;
    QList<RegWriteFailure> failed;
    const auto storeGroup = [&](Group group, const std::function<void(QList<RegWriteFailure> *)> &write) {
        if (!(groups & group))
            return;
        const qsizetype before = failed.size();
        write(&failed);
        if (failed.size() > before)
            m_unstored |= group;
        else
            m_unstored &= ~unsigned(group);
    };
    storeGroup(AlarmGroup, [&](QList<RegWriteFailure> *f) { StoreAlarmSettings(registry, s, f); });
    storeGroup(ConnectionGroup, [&](QList<RegWriteFailure> *f) { slotsStored = StoreConnectionSettings(registry, s, f); });
    storeGroup(ConfigurationGroup, [&](QList<RegWriteFailure> *f) { StoreConfiguration(registry, s, m_programPath, f); });

    if (m_unstored == 0) {
        m_told.clear(); // the store works: a failure from now on is news
        return slotsStored;
    }
    QStringList news;
    for (const RegWriteFailure &failure : std::as_const(failed)) {
        if (m_told.contains(failure))
            continue;
        m_told.append(failure);
        if (failure.file.isEmpty())
            news.append(tr("Your settings could not be saved."));
        else if (failure.reason.isEmpty())
            news.append(tr("Your settings could not be saved in \"%1\".").arg(failure.file));
        else
            news.append(tr("Your settings could not be saved in \"%1\": %2.").arg(failure.file, failure.reason));
    }
    if (!news.isEmpty()) {
        news.append(tr("They stay in effect until Vantrel ends, and are saved as soon as they can be written."));
        boxes.warning(news.join(QStringLiteral("\n\n")));
    }
    return slotsStored;
}

} // namespace vantrel
