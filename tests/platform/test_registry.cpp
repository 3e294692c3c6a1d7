// SPDX-License-Identifier: GPL-3.0-or-later
// The registry stand-in: hive text format, persistence across instances and
// processes, damaged and unreadable hives, and the autostart view of the Run key.
#include "platform/registry/desktopentry.h"
#include "platform/registry/fileregistry.h"
#include "platform/registry/hiveformat.h"
#include "support/recordingmessageboxes.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantrel;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

RegValue expandSz(const QString &s)
{
    RegValue v;
    v.type = RegType::ExpandSz;
    v.text = s;
    return v;
}

RegValue raw(RegType type, const QByteArray &bytes)
{
    RegValue v;
    v.type = type;
    v.bytes = bytes;
    return v;
}

// One registry over a fresh folder, with the reports it made.
struct Fixture {
    QTemporaryDir dir;
    QStringList reports;
    QString regDir() const { return dir.path() + QStringLiteral("/vantrel"); }
    QString autostart() const { return dir.path() + QStringLiteral("/autostart"); }
    std::unique_ptr<FileRegistry> make()
    {
        return std::make_unique<FileRegistry>(regDir(), autostart(), [this](const QString &t) { reports << t; });
    }
};

RegKey open(Registry &r, Hive hive, const QString &path, bool create = true)
{
    RegKey key;
    EXPECT_EQ(r.openKey(hive, path, create, &key), RegStatus::Success) << path.toStdString();
    return key;
}

std::optional<RegValue> query(Registry &r, const RegKey &key, const QString &name)
{
    RegValue v;
    if (r.queryValue(key, name, &v) != RegStatus::Success)
        return std::nullopt;
    return v;
}

} // namespace

TEST(HiveFormat, RoundTripKeepsEveryTypeAndCharacter)
{
    const QString tricky = QStringLiteral("a\\b \"quoted\" tab\tnew\nline \u00e9\u4e2d\U0001F600 ] [ @=");
    QByteArray bytes;
    for (int i = 0; i < 300; ++i)
        bytes.append(static_cast<char>(i * 7));
    hive::Data data;
    hive::Key &k = data.ensureKey(QStringLiteral("Software\\Morvent\\Vantrel"));
    k.values[hive::fold(QStringLiteral("Wave"))] = {QStringLiteral("Wave"), RegValue::string(tricky)};
    k.values[QString()] = {QString(), RegValue::string(QStringLiteral("unnamed"))};
    k.values[QStringLiteral("conn")] = {QStringLiteral("Conn"), RegValue::dword(0xfffffffe)};
    k.values[QStringLiteral("exp")] = {QStringLiteral("Exp"), expandSz(QStringLiteral("%HOME%\\x"))};
    k.values[QStringLiteral("blob")] = {QStringLiteral("Blob"), raw(RegType::Binary, bytes)};
    k.values[QStringLiteral("empty")] = {QStringLiteral("Empty"), raw(RegType::Binary, {})};
    k.values[QStringLiteral("multi")] = {QStringLiteral("Multi"), raw(RegType::MultiSz, QByteArray("a\0\0\0", 4))};
    k.values[QStringLiteral("qword")] = {QStringLiteral("QWord"), raw(RegType(11), QByteArray("12345678"))};
    k.values[hive::fold(tricky)] = {tricky, RegValue::string(QString())};
    data.ensureKey(QStringLiteral("Software\\Caf\u00e9 [x]\\Empty key"));

    const QByteArray text = hive::serialise(data);
    for (const char c : text)
        ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80) << "not pure ASCII";
    hive::Data back;
    QString error;
    ASSERT_TRUE(hive::parse(text, &back, &error)) << error.toStdString() << "\n" << text.toStdString();
    EXPECT_EQ(back, data);
    EXPECT_EQ(hive::serialise(back), text);
}

TEST(HiveFormat, WritesTheWineForm)
{
    hive::Data data;
    hive::Key &k = data.ensureKey(QStringLiteral("Software\\Morvent\\Vantrel"));
    k.values[QStringLiteral("wave")] = {QStringLiteral("Wave"), RegValue::string(QStringLiteral("C:\\a \"b\" \u00e9"))};
    k.values[QStringLiteral("conn")] = {QStringLiteral("Conn"), RegValue::dword(1)};
    k.values[QStringLiteral("p")] = {QStringLiteral("P"), expandSz(QStringLiteral("x"))};
    k.values[QStringLiteral("b")] = {QStringLiteral("B"), raw(RegType::Binary, QByteArray("\x01\xff"))};
    k.values[QStringLiteral("m")] = {QStringLiteral("M"), raw(RegType::MultiSz, QByteArray("a\0", 2))};
    k.values[QString()] = {QString(), RegValue::string(QStringLiteral("d"))};
    EXPECT_EQ(hive::serialise(data).toStdString(), "WINE REGISTRY Version 2\n"
                                                   "\n"
                                                   "[Software\\\\Morvent\\\\Vantrel]\n"
                                                   "@=\"d\"\n"
                                                   "\"B\"=hex:01,ff\n"
                                                   "\"Conn\"=dword:00000001\n"
                                                   "\"M\"=hex(7):61,00\n"
                                                   "\"P\"=str(2):\"x\"\n"
                                                   "\"Wave\"=\"C:\\\\a \\\"b\\\" \\x00e9\"\n");
}

TEST(HiveFormat, ReadsAFileWrittenByHand)
{
    const QByteArray text = "WINE REGISTRY Version 2\r\n"
                            ";; written by hand\r\n"
                            "#arch=win32\n"
                            "\n"
                            "[Software\\\\Morvent\\\\Vantrel] 1700000000\n"
                            "#time=1d9f0c2e3b4a5c6\n"
                            "\"Conn\"=dword:1\n"
                            "\"Wave\"=\"C:\\\\snd\\\\ding.wav\"   \n"
                            "\"Msg\"=\"caf\\xe9 \\x4e2d!\\n\\t\\101\"\n"
                            "\"Exp\"=str(2):\"%HOME%\"\n"
                            "\"Bin\"=hex:00,01,02,\\\n"
                            "    03,04\n"
                            "\"Utf16\"=hex(2):41,00,42,00,00,00\n"
                            "\"Num\"=hex(4):01,02,00,00\n"
                            "@=\"default\"\n"
                            "[software\\\\morvent\\\\VANTREL]\n"
                            "\"conn\"=dword:00000002\n"
                            "[Software\\\\Morvent\\\\Vantrel\\\\Cycle]\n"
                            "\"1\"=\"Office\"\n";
    hive::Data d;
    QString error;
    ASSERT_TRUE(hive::parse(text, &d, &error)) << error.toStdString();
    const hive::Key *k = d.findKey(QStringLiteral("software\\morvent\\vantrel"));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->path, QStringLiteral("Software\\Morvent\\Vantrel")); // first spelling kept
    auto value = [&](const char *name) { return k->values.at(hive::fold(QString::fromLatin1(name))); };
    EXPECT_EQ(value("conn").name, QStringLiteral("Conn"));
    EXPECT_EQ(value("conn").value, RegValue::dword(2)); // later line wins
    EXPECT_EQ(value("wave").value, RegValue::string(QStringLiteral("C:\\snd\\ding.wav")));
    EXPECT_EQ(value("msg").value, RegValue::string(QStringLiteral("caf\u00e9 \u4e2d!\n\tA")));
    EXPECT_EQ(value("exp").value, expandSz(QStringLiteral("%HOME%")));
    EXPECT_EQ(value("bin").value, raw(RegType::Binary, QByteArray("\0\1\2\3\4", 5)));
    EXPECT_EQ(value("utf16").value, expandSz(QStringLiteral("AB")));
    EXPECT_EQ(value("num").value, RegValue::dword(0x201));
    EXPECT_EQ(value("").value, RegValue::string(QStringLiteral("default")));
    EXPECT_TRUE(d.keyExists(QStringLiteral("software\\morvent\\vantrel\\cycle")));
    EXPECT_TRUE(d.keyExists(QStringLiteral("software"))); // parents exist through their children
    EXPECT_FALSE(d.keyExists(QStringLiteral("software\\morv")));
}

TEST(HiveFormat, AnythingElseIsDamage)
{
    const QByteArray head = "WINE REGISTRY Version 2\n[K]\n";
    const struct {
        const char *what;
        QByteArray text;
    } cases[] = {
        {"missing header", "[K]\n\"a\"=\"b\"\n"},
        {"other version", "WINE REGISTRY Version 1\n"},
        {"invalid UTF-8 in a string", head + "\"a\"=\"caf\xc3\"\n"},
        {"UTF-8 outside a string", head + "\"a\"=dword:0000000\xc3\xa9\n"},
        {"value before any key", "WINE REGISTRY Version 2\n\"a\"=\"b\"\n"},
        {"unknown escape", head + "\"a\"=\"\\q\"\n"},
        {"unterminated string", head + "\"a\"=\"abc\n"},
        {"unterminated key", "WINE REGISTRY Version 2\n[K\n"},
        {"empty key component", "WINE REGISTRY Version 2\n[a\\\\\\\\b]\n"},
        {"dword too long", head + "\"a\"=dword:123456789\n"},
        {"dword not hex", head + "\"a\"=dword:xyz\n"},
        {"text after value", head + "\"a\"=\"b\" c\n"},
        {"text after key", "WINE REGISTRY Version 2\n[K] x\n"},
        {"bad hex byte", head + "\"a\"=hex:0g\n"},
        {"hex byte of one digit", head + "\"a\"=hex:1,02\n"},
        {"dangling comma", head + "\"a\"=hex:01,\n"},
        {"continuation at end of file", head + "\"a\"=hex:01,\\\n"},
        {"dword of three bytes", head + "\"a\"=hex(4):01,02,03\n"},
        {"odd string data", head + "\"a\"=hex(1):41\n"},
        {"str of a non-string type", head + "\"a\"=str(7):\"x\"\n"},
        {"unknown data", head + "\"a\"=qword:1\n"},
        {"missing =", head + "\"a\" \"b\"\n"},
        {"empty name", head + "\"\"=\"b\"\n"},
        {"unknown line", head + "a=b\n"},
        {"unknown # line", head + "#link\n"},
        {"raw control character", head + "\"a\"=\"x\x01y\"\n"},
    };
    for (const auto &c : cases) {
        hive::Data d;
        QString error;
        EXPECT_FALSE(hive::parse(c.text, &d, &error)) << c.what;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line "))) << c.what;
    }
}

TEST(FileRegistry, KeysAndValuesPersistAndIgnoreCase)
{
    Fixture f;
    auto r = f.make();
    RegKey key;
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("\\Software\\Morvent\\Vantrel"), false, &key),
              RegStatus::FileNotFound);
    EXPECT_FALSE(key.valid);
    EXPECT_FALSE(QFile::exists(r->hiveFile(Hive::CurrentUser)));

    key = open(*r, Hive::CurrentUser, QStringLiteral("\\Software\\Morvent\\Vantrel"));
    EXPECT_TRUE(QFile::exists(r->hiveFile(Hive::CurrentUser))); // the new key is on disk already
    EXPECT_EQ(r->setValue(key, QStringLiteral("Log"), RegValue::dword(1)), RegStatus::Success);
    EXPECT_EQ(r->setValue(key, QStringLiteral("LOG"), RegValue::dword(0)), RegStatus::Success);
    EXPECT_EQ(r->setValue(key, QString(), RegValue::string(QStringLiteral("d"))), RegStatus::Success);
    EXPECT_EQ(r->setValue(key, QStringLiteral("Gone"), RegValue::string(QStringLiteral("x"))), RegStatus::Success);
    EXPECT_EQ(r->deleteValue(key, QStringLiteral("gone")), RegStatus::Success);
    EXPECT_EQ(r->deleteValue(key, QStringLiteral("gone")), RegStatus::FileNotFound);
    r->closeKey(&key);
    EXPECT_EQ(r->setValue(key, QStringLiteral("x"), RegValue::dword(1)), RegStatus::InvalidHandle);

    // A second instance (as another start of the program) finds everything.
    auto again = f.make();
    RegKey k2 = open(*again, Hive::CurrentUser, QStringLiteral("software\\MORVENT\\vantrel"), false);
    EXPECT_EQ(query(*again, k2, QStringLiteral("log")), RegValue::dword(0));
    EXPECT_EQ(query(*again, k2, QString()), RegValue::string(QStringLiteral("d")));
    EXPECT_EQ(query(*again, k2, QStringLiteral("Gone")), std::nullopt);
    RegKey parent = open(*again, Hive::CurrentUser, QStringLiteral("Software\\Morvent"), false);
    EXPECT_TRUE(parent.valid);
    EXPECT_EQ(again->openKey(Hive::LocalMachine, QStringLiteral("Software\\Morvent"), false, &parent),
              RegStatus::FileNotFound); // the other hive is another file
    EXPECT_EQ(again->openKey(Hive::CurrentUser, QStringLiteral("a\\\\b"), true, &parent), RegStatus::FileNotFound);

    const QByteArray text = readFile(again->hiveFile(Hive::CurrentUser));
    EXPECT_TRUE(text.contains("[Software\\\\Morvent\\\\Vantrel]\n"));
    EXPECT_TRUE(text.contains("\"Log\"=dword:00000000\n")) << "the first spelling of a name is kept";
    EXPECT_FALSE(text.contains("Gone"));
    EXPECT_TRUE(f.reports.isEmpty());
}

TEST(FileRegistry, SeesChangesMadeByOthersAndKeepsTheirs)
{
    Fixture f;
    auto a = f.make();
    auto b = f.make();
    RegKey ka = open(*a, Hive::CurrentUser, QStringLiteral("Software\\T"));
    RegKey kb = open(*b, Hive::CurrentUser, QStringLiteral("Software\\T"));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(a->setValue(ka, QStringLiteral("a%1").arg(i), RegValue::dword(DWORD(i))), RegStatus::Success);
        ASSERT_EQ(b->setValue(kb, QStringLiteral("b%1").arg(i), RegValue::dword(DWORD(i))), RegStatus::Success);
    }
    EXPECT_EQ(a->deleteValue(ka, QStringLiteral("b3")), RegStatus::Success);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(query(*a, ka, QStringLiteral("b%1").arg(i)),
                  i == 3 ? std::nullopt : std::optional(RegValue::dword(DWORD(i))));
        EXPECT_EQ(query(*b, kb, QStringLiteral("a%1").arg(i)), RegValue::dword(DWORD(i)));
    }
    EXPECT_EQ(query(*b, kb, QStringLiteral("b3")), std::nullopt);

    // An edit by hand while the program runs is read at the next query.
    writeFile(a->hiveFile(Hive::CurrentUser), "WINE REGISTRY Version 2\n[Software\\\\T]\n\"x\"=\"hand\"\n");
    EXPECT_EQ(query(*a, ka, QStringLiteral("x")), RegValue::string(QStringLiteral("hand")));
    EXPECT_EQ(query(*a, ka, QStringLiteral("a1")), std::nullopt);
}

TEST(FileRegistry, TwoProcessesWritingAtOnceBothKeepAllTheirValues)
{
    Fixture f;
    const int count = 100;
    QProcess other;
    other.start(vantrel::test::binaryDir() + QStringLiteral("/vantrel_regwriter"),
                {f.regDir(), QStringLiteral("other"), QString::number(count)});
    ASSERT_TRUE(other.waitForStarted()) << other.errorString().toStdString();
    ASSERT_TRUE(other.waitForReadyRead(30000)); // it has opened its key and starts writing now

    auto r = f.make();
    RegKey key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\Concurrency"));
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(r->setValue(key, QStringLiteral("mine-%1").arg(i), RegValue::dword(DWORD(i))), RegStatus::Success);
        ASSERT_EQ(
            r->setValue(key, QStringLiteral("mine-s%1").arg(i), RegValue::string(QStringLiteral("mine text %1").arg(i))),
            RegStatus::Success);
    }
    ASSERT_TRUE(other.waitForFinished(120000));
    EXPECT_EQ(other.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();

    auto fresh = f.make();
    RegKey k = open(*fresh, Hive::CurrentUser, QStringLiteral("Software\\Concurrency"), false);
    int missing = 0;
    for (const QString &prefix : {QStringLiteral("mine"), QStringLiteral("other")}) {
        for (int i = 0; i < count; ++i) {
            missing += query(*fresh, k, QStringLiteral("%1-%2").arg(prefix).arg(i)) != RegValue::dword(DWORD(i));
            missing += query(*fresh, k, QStringLiteral("%1-s%2").arg(prefix).arg(i))
                       != RegValue::string(QStringLiteral("%1 text %2").arg(prefix).arg(i));
        }
    }
    EXPECT_EQ(missing, 0);
    // The lock file stays (it is never judged stale), and nobody holds it.
    const int lockFd = ::open(QFile::encodeName(fresh->hiveFile(Hive::CurrentUser) + QStringLiteral(".lock")), O_RDONLY);
    ASSERT_GE(lockFd, 0);
    EXPECT_EQ(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
    ::close(lockFd);
}

TEST(FileRegistry, DamagedHiveIsKeptAsideAndReportedOnce)
{
    Fixture f;
    QDir().mkpath(f.regDir());
    const QString file = f.regDir() + QStringLiteral("/user.reg");
    const QByteArray damaged = "WINE REGISTRY Version 2\n[Software\\\\Morvent\\\\Vantrel]\n\"Conn\"=dword:zz\n";
    writeFile(file, damaged);

    auto r = f.make();
    auto other = f.make(); // a second process using the same files
    RegKey key;
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"), false, &key),
              RegStatus::FileNotFound);
    ASSERT_EQ(f.reports.size(), 1);
    const QStringList aside = QDir(f.regDir()).entryList({QStringLiteral("user.reg.damaged-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^user\\.reg\\.damaged-\\d{8}-\\d{6}$")).match(aside[0]).hasMatch());
    EXPECT_EQ(readFile(f.regDir() + QLatin1Char('/') + aside[0]), damaged) << "kept as it was";
    EXPECT_TRUE(f.reports[0].contains(file)) << f.reports[0].toStdString();
    EXPECT_TRUE(f.reports[0].contains(f.regDir() + QLatin1Char('/') + aside[0])) << f.reports[0].toStdString();
    EXPECT_TRUE(f.reports[0].contains(QStringLiteral("line 3"))) << f.reports[0].toStdString();

    // Going on: an empty hive that takes new values; nothing reported again,
    // neither here nor by the other process that finds the new file.
    key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"));
    EXPECT_EQ(r->setValue(key, QStringLiteral("Conn"), RegValue::dword(1)), RegStatus::Success);
    RegKey ko = open(*other, Hive::CurrentUser, QStringLiteral("Software\\Morvent\\Vantrel"), false);
    EXPECT_EQ(query(*other, ko, QStringLiteral("Conn")), RegValue::dword(1));
    EXPECT_EQ(f.reports.size(), 1);

    // Damaged again later (a bad edit): a second copy kept, a second report.
    writeFile(file, "garbage\n");
    EXPECT_EQ(query(*other, ko, QStringLiteral("Conn")), std::nullopt);
    EXPECT_EQ(f.reports.size(), 2);
    EXPECT_EQ(QDir(f.regDir()).entryList({QStringLiteral("user.reg.damaged-*")}).size(), 2);
}

TEST(FileRegistry, HandEditedUtf8IsReadAndWrittenBackEscaped)
{
    Fixture f;
    QDir().mkpath(f.regDir());
    const QString file = f.regDir() + QStringLiteral("/user.reg");
    writeFile(file, "WINE REGISTRY Version 2\n\n[Software\\\\Morvent\\\\B\xc3\xbcro]\n"
                    "\"RASCnx\"=\"1,B\xc3\xbcro \xd0\x94 \xf0\x9f\x93\x9e\"\n");
    auto r = f.make();
    RegKey key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\Morvent\\B\u00fcro"), false);
    EXPECT_EQ(query(*r, key, QStringLiteral("RASCnx")), RegValue::string(QStringLiteral("1,B\u00fcro \u0414 \U0001F4DE")));
    EXPECT_TRUE(f.reports.isEmpty());

    ASSERT_EQ(r->setValue(key, QStringLiteral("Ask"), RegValue::dword(1)), RegStatus::Success);
    const QByteArray written = readFile(file);
    EXPECT_TRUE(written.contains("\"RASCnx\"=\"1,B\\x00fcro \\x0414 \\xd83d\\xdcde\"\n")) << written.constData();
    EXPECT_TRUE(written.contains("[Software\\\\Morvent\\\\B\\x00fcro]\n")) << written.constData();
}

TEST(FileRegistry, FifoOrHugeFileInPlaceOfTheHiveIsRefusedAtOnce)
{
    Fixture f;
    QDir().mkpath(f.regDir());
    const QString file = f.regDir() + QStringLiteral("/user.reg");

    // A FIFO would block open() for ever: it is damage, kept aside like any.
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    auto r = f.make();
    RegKey key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\X"));
    ASSERT_EQ(f.reports.size(), 1);
    EXPECT_TRUE(f.reports[0].contains(QStringLiteral("not a regular file"))) << f.reports[0].toStdString();
    EXPECT_EQ(r->setValue(key, QStringLiteral("a"), RegValue::dword(1)), RegStatus::Success);
    EXPECT_TRUE(QFileInfo(file).isFile());

    // A file beyond any hive's size is not read and never written over.
    QFile::remove(file);
    {
        QFile big(file);
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.resize(qint64(33) * 1024 * 1024));
    }
    auto r2 = f.make();
    EXPECT_EQ(r2->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::AccessDenied);
    ASSERT_EQ(f.reports.size(), 2);
    EXPECT_TRUE(f.reports[1].contains(QStringLiteral("too large"))) << f.reports[1].toStdString();
    EXPECT_EQ(QFileInfo(file).size(), qint64(33) * 1024 * 1024);
}

TEST(FileRegistry, DamageReportGoesThroughAMessageBox)
{
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + QStringLiteral("/v"));
    writeFile(dir.path() + QStringLiteral("/v/machine.reg"), "not a hive");
    RecordingMessageBoxes boxes;
    FileRegistry r(dir.path() + QStringLiteral("/v"), dir.path() + QStringLiteral("/a"),
                   FileRegistry::reportThrough(boxes));
    RegKey key;
    r.openKey(Hive::LocalMachine, QStringLiteral("SOFTWARE\\Morvent"), true, &key);
    r.openKey(Hive::LocalMachine, QStringLiteral("SOFTWARE\\Morvent"), true, &key);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Vantrel Message"));
    EXPECT_EQ(boxes.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("machine.reg.damaged-")));
}

TEST(FileRegistry, UnreadableHiveIsReportedAndNeverWrittenOver)
{
    Fixture f;
    const QString file = f.regDir() + QStringLiteral("/user.reg");
    // A folder where the file should be cannot be read, whoever runs the test.
    QDir().mkpath(file + QStringLiteral("/content"));
    auto r = f.make();
    RegKey key;
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::AccessDenied);
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), false, &key), RegStatus::FileNotFound);
    EXPECT_EQ(f.reports.size(), 1);
    EXPECT_TRUE(f.reports.value(0).contains(file));
    EXPECT_TRUE(QFileInfo(file + QStringLiteral("/content")).isDir());

    // Once the obstacle is gone the hive is written again.
    QDir(file).removeRecursively();
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::Success);
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(f.reports.size(), 1);
}

// A settings file problem that no reporter tells is a warning on vantrel.files,
// said once however often the program runs into it.
TEST(FileRegistry, UntoldProblemsAreWarnedOnceOnTheFilesCategory)
{
    struct Case {
        const char *name;
        void (*spoil)(const QString &file);
        QStringList warned;
    };
    const Case cases[] = {
        {"damaged", [](const QString &file) { writeFile(file, "garbage\n"); }, {QStringLiteral("is damaged")}},
        {"a folder in its place",
         [](const QString &file) { QDir().mkpath(file + QStringLiteral("/content")); },
         {QStringLiteral("cannot be read"), QStringLiteral("Cannot write")}},
    };
    static QStringList warnings;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &text) {
            if (type == QtWarningMsg && qstrcmp(context.category, "vantrel.files") == 0)
                warnings << text;
        });
    const auto restore = qScopeGuard([previous] { qInstallMessageHandler(previous); });
    for (const Case &c : cases) {
        warnings.clear();
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/vantrel");
        QDir().mkpath(folder);
        c.spoil(folder + QStringLiteral("/user.reg"));
        FileRegistry r(folder, dir.path() + QStringLiteral("/autostart"));
        for (int attempt = 0; attempt < 2; ++attempt) {
            RegKey key;
            r.openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key);
        }
        ASSERT_EQ(warnings.size(), c.warned.size()) << c.name << ":\n" << qPrintable(warnings.join('\n'));
        for (qsizetype i = 0; i < warnings.size(); ++i)
            EXPECT_TRUE(warnings[i].contains(c.warned[i])) << c.name << ": " << qPrintable(warnings[i]);
    }
}

TEST(FileRegistry, HiveWithoutReadOrWritePermissionIsLeftAlone)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    Fixture f;
    QDir().mkpath(f.regDir());
    const QString file = f.regDir() + QStringLiteral("/user.reg");
    writeFile(file, "WINE REGISTRY Version 2\n[Software\\\\X]\n\"a\"=dword:00000001\n");
    QFile::setPermissions(file, QFileDevice::WriteOwner);
    auto r = f.make();
    RegKey key;
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::AccessDenied);
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\Y"), true, &key), RegStatus::AccessDenied);
    ASSERT_EQ(f.reports.size(), 1);
    EXPECT_TRUE(f.reports[0].contains(file));
    QFile::setPermissions(file, QFileDevice::ReadOwner);
    key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\X"), false);
    EXPECT_EQ(query(*r, key, QStringLiteral("a")), RegValue::dword(1));
    EXPECT_EQ(r->setValue(key, QStringLiteral("b"), RegValue::dword(2)), RegStatus::AccessDenied)
        << "a read-only hive stays as it is";
    EXPECT_EQ(readFile(file), "WINE REGISTRY Version 2\n[Software\\\\X]\n\"a\"=dword:00000001\n");
    EXPECT_EQ(f.reports.size(), 1);
}

TEST(FileRegistry, DamagedHiveThatCannotBeMovedIsLeftAlone)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    Fixture f;
    QDir().mkpath(f.regDir());
    const QString file = f.regDir() + QStringLiteral("/user.reg");
    writeFile(file, "damaged");
    QFile::setPermissions(f.regDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    auto r = f.make();
    RegKey key;
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::AccessDenied);
    EXPECT_EQ(r->openKey(Hive::CurrentUser, QStringLiteral("Software\\X"), true, &key), RegStatus::AccessDenied);
    QFile::setPermissions(f.regDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(f.reports.size(), 1);
    EXPECT_TRUE(f.reports[0].contains(QStringLiteral("could not be kept aside"))) << f.reports[0].toStdString();
    EXPECT_EQ(readFile(file), "damaged");
}

TEST(FileRegistry, FailedWriteLeavesFileAndMemoryAsTheyWere)
{
    Fixture f;
    auto r = f.make();
    RegKey key = open(*r, Hive::CurrentUser, QStringLiteral("Software\\X"));
    ASSERT_EQ(r->setValue(key, QStringLiteral("a"), RegValue::dword(1)), RegStatus::Success);
    const QByteArray before = readFile(r->hiveFile(Hive::CurrentUser));

    // A file size limit makes the write of a large hive fail half way.
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const RegStatus status = r->setValue(key, QStringLiteral("big"), RegValue::string(QString(20000, QLatin1Char('x'))));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(status, RegStatus::WriteFault);
    EXPECT_EQ(query(*r, key, QStringLiteral("big")), std::nullopt);
    EXPECT_EQ(query(*r, key, QStringLiteral("a")), RegValue::dword(1));
    EXPECT_EQ(readFile(r->hiveFile(Hive::CurrentUser)), before);
    EXPECT_EQ(QDir(f.regDir()).entryList(QDir::Files),
              QStringList({QStringLiteral("user.reg"), QStringLiteral("user.reg.lock")}))
        << "no temporary file left behind";
}

TEST(FileRegistry, RunKeyIsTheAutostartFolder)
{
    Fixture f;
    auto r = f.make();
    RegKey run;
    ASSERT_EQ(
        r->openKey(Hive::LocalMachine, QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"), false, &run),
        RegStatus::Success);
    RegKey above;
    EXPECT_EQ(r->openKey(Hive::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft"), false, &above), RegStatus::Success);
    EXPECT_EQ(query(*r, run, QStringLiteral("Vantrel")), std::nullopt);
    EXPECT_FALSE(QFile::exists(f.autostart()));

    // TryExec names the program file exactly, or is left out where a plain
    // string cannot (a TryExec naming another file would hide the entry).
    const struct {
        QString path;
        const char *tryExec;
    } cases[] = {
        {QStringLiteral("/usr/bin/vantrel"), "\nTryExec=/usr/bin/vantrel\n"},
        {QStringLiteral("/home/ann/My Programs/Vantrel 4/vantrel"), "\nTryExec=/home/ann/My Programs/Vantrel 4/vantrel\n"},
        {QStringLiteral("/opt/a$b/it's \"quoted\"/back\\slash/100%/`tick`"),
         "\nTryExec=/opt/a$b/it's \"quoted\"/back\\\\slash/100%/`tick`\n"},
        // White space at the ends that a reader trims unless it is quoted.
        {QStringLiteral("\f/opt/form feed\v"), nullptr},
        {QStringLiteral("\u00a0/opt/no-break\u2003"), nullptr},
        {QStringLiteral("/opt/bell\a"), nullptr},
        {QStringLiteral("/tmp/caf\u00e9/tab\there"), "\nTryExec=/tmp/caf\xc3\xa9/tab\\there\n"},
    };
    for (const auto &c : cases) {
        const QString &path = c.path;
        ASSERT_EQ(r->setValue(run, QStringLiteral("Vantrel"), RegValue::string(path)), RegStatus::Success);
        const QByteArray entry = readFile(f.autostart() + QStringLiteral("/Vantrel.desktop"));
        EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
        for (const char *line : {"\nType=Application\n", "\nName=Vantrel\n", "\nName[de]=Vantrel\n", "\nIcon=vantrel\n",
                                 "\nComment=", "\nComment[de]=", "\nX-GNOME-Autostart-enabled=true\n"})
            EXPECT_TRUE(entry.contains(line)) << line;
        if (c.tryExec)
            EXPECT_TRUE(entry.contains(c.tryExec)) << entry.toStdString();
        else
            EXPECT_FALSE(entry.contains("TryExec=")) << entry.toStdString();
        EXPECT_EQ(query(*r, run, QStringLiteral("vantrel")), RegValue::string(path)) << path.toStdString();
        auto other = f.make(); // read back by a later start too
        RegKey k = open(*other, Hive::LocalMachine, QStringLiteral("software\\microsoft\\windows\\currentversion\\RUN"),
                        false);
        EXPECT_EQ(query(*other, k, QStringLiteral("VANTREL")), RegValue::string(path));
    }
    EXPECT_TRUE(
        readFile(f.autostart() + QStringLiteral("/Vantrel.desktop")).contains("Exec=\"/tmp/caf\xc3\xa9/tab\\there\"\n"));
    EXPECT_FALSE(QFile::exists(r->hiveFile(Hive::LocalMachine))) << "Run values never go into the hive";

    // An entry written by an earlier version (no icon, comment or TryExec).
    {
        QFile old(f.autostart() + QStringLiteral("/Vantrel.desktop"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
        old.write("[Desktop Entry]\nType=Application\nName=Vantrel\nExec=\"/opt/My Vantrel/vantrel\"\n"
                  "X-GNOME-Autostart-enabled=true\n");
    }
    EXPECT_EQ(query(*r, run, QStringLiteral("Vantrel")), RegValue::string(QStringLiteral("/opt/My Vantrel/vantrel")));

    EXPECT_EQ(r->deleteValue(run, QStringLiteral("Vantrel")), RegStatus::Success);
    EXPECT_FALSE(QFile::exists(f.autostart() + QStringLiteral("/Vantrel.desktop")));
    EXPECT_EQ(r->deleteValue(run, QStringLiteral("Vantrel")), RegStatus::FileNotFound);
    EXPECT_EQ(r->setValue(run, QStringLiteral("Vantrel"), RegValue::dword(1)), RegStatus::AccessDenied);
    EXPECT_EQ(r->setValue(run, QStringLiteral("../x"), RegValue::string(QStringLiteral("/x"))), RegStatus::AccessDenied);
}

TEST(DesktopEntry, ExecQuotingFollowsTheDesktopEntryRules)
{
    const struct {
        QString path;
        QString exec;
    } cases[] = {
        {QStringLiteral("/usr/bin/vantrel"), QStringLiteral("/usr/bin/vantrel")},
        {QStringLiteral("/a b/c"), QStringLiteral("\"/a b/c\"")},
        {QStringLiteral("/a$b"), QStringLiteral("\"/a\\\\$b\"")},
        {QStringLiteral("/a\"b"), QStringLiteral("\"/a\\\\\"b\"")},
        {QStringLiteral("/a\\b"), QStringLiteral("\"/a\\\\\\\\b\"")},
        {QStringLiteral("/a`b"), QStringLiteral("\"/a\\\\`b\"")},
        {QStringLiteral("/100%"), QStringLiteral("/100%%")},
        {QStringLiteral("/x y/100%"), QStringLiteral("\"/x y/100%%\"")},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(desktopentry::execValue({c.path}), c.exec) << c.path.toStdString();
        EXPECT_EQ(desktopentry::execArguments(c.exec), QStringList{c.path}) << c.exec.toStdString();
    }
    // Entries written by other programs.
    EXPECT_EQ(desktopentry::execArguments(QStringLiteral("nm-applet --sm-disable %U")),
              (QStringList{QStringLiteral("nm-applet"), QStringLiteral("--sm-disable")}));
    EXPECT_EQ(desktopentry::execArguments(QStringLiteral("\"/a b")), std::nullopt);
    EXPECT_EQ(desktopentry::autostartCommand("[Desktop Entry]\nType=Application\nName=X\nExec=\"/a b/c\" -v\n"),
              QStringLiteral("\"/a b/c\" -v"));
    EXPECT_EQ(desktopentry::autostartCommand("[Desktop Entry]\nType=Application\nName=X\nExec=x\nHidden=true\n"),
              std::nullopt);
    EXPECT_EQ(desktopentry::autostartCommand("[Desktop Entry]\nType=Link\nName=X\nExec=x\n"), std::nullopt);
}

TEST(FileRegistry, DefaultFoldersFollowXdgConfigHome)
{
    vantrel::test::ScopedHome home;
    EXPECT_EQ(FileRegistry::defaultDirectory(), home.configDir() + QStringLiteral("/vantrel"));
    EXPECT_EQ(FileRegistry::defaultAutostartDirectory(), home.configDir() + QStringLiteral("/autostart"));
    for (const char *unusable : {"", "relative/dir"}) {
        qputenv("XDG_CONFIG_HOME", unusable);
        EXPECT_EQ(FileRegistry::defaultDirectory(), home.path() + QStringLiteral("/.config/vantrel")) << unusable;
        EXPECT_EQ(FileRegistry::defaultAutostartDirectory(), home.path() + QStringLiteral("/.config/autostart"));
    }
}
