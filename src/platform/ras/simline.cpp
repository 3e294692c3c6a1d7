#include "platform/ras/simline.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

// ---------------------------------------------------------------------------
// Answers

QString AnswerKindName(SimAnswer::Kind kind)
{
    switch (kind) {
    case SimAnswer::Kind::Connect: return QStringLiteral("connect");
    case SimAnswer::Kind::Busy: return QStringLiteral("busy");
    case SimAnswer::Kind::NoAnswer: return QStringLiteral("noanswer");
    case SimAnswer::Kind::AuthFail: return QStringLiteral("authfail");
    }
    return {};
}

double DefaultAnswerSeconds(SimAnswer::Kind kind)
{
    switch (kind) {
    case SimAnswer::Kind::Connect: return 3.0;
    case SimAnswer::Kind::Busy: return 2.0;
    case SimAnswer::Kind::NoAnswer: return 8.0;
    case SimAnswer::Kind::AuthFail: return 4.0;
    }
    return 3.0;
}

bool IsIpv4Address(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &p : parts) {
        if (p.isEmpty() || p.size() > 3 || (p.size() > 1 && p.at(0) == QLatin1Char('0')))
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

QString DerivedAddress(const QString &entryName)
{
    // FNV-1a over the folded name: the same entry gets the same address in every
    // process (qHash is seeded per process).
    std::uint32_t h = 2166136261u;
    for (char c : entryName.toCaseFolded().toUtf8()) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return QStringLiteral("10.64.%1.%2").arg((h >> 8) & 0xFF).arg(h % 254 + 1);
}

bool ParseAnswers(const QString &text, QList<SimAnswer> *out, QString *why)
{
    QList<SimAnswer> answers;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &raw : items) {
        const QStringList tokens = raw.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens.isEmpty()) {
            *why = QStringLiteral("an answer in the list is empty");
            return false;
        }
        SimAnswer a;
        const QString kind = tokens.first().toLower();
        if (kind == QLatin1String("connect"))
            a.kind = SimAnswer::Kind::Connect;
        else if (kind == QLatin1String("busy"))
            a.kind = SimAnswer::Kind::Busy;
        else if (kind == QLatin1String("noanswer"))
            a.kind = SimAnswer::Kind::NoAnswer;
        else if (kind == QLatin1String("authfail"))
            a.kind = SimAnswer::Kind::AuthFail;
        else {
            *why = QStringLiteral("\"%1\" is not an answer (connect, busy, noanswer or authfail)")
                       .arg(tokens.first());
            return false;
        }
        qsizetype i = 1;
        if (i < tokens.size() && !IsIpv4Address(tokens.at(i))) {
            bool ok = false;
            const double s = tokens.at(i).toDouble(&ok);
            if (!ok || !std::isfinite(s) || s < 0 || s > 3600) {
                *why = QStringLiteral("\"%1\" is neither a number of seconds (0 to 3600) nor an "
                                      "IPv4 address")
                           .arg(tokens.at(i));
                return false;
            }
            a.seconds = s;
            ++i;
        }
        if (i < tokens.size() && a.kind == SimAnswer::Kind::Connect) {
            if (!IsIpv4Address(tokens.at(i))) {
                *why = QStringLiteral("\"%1\" is not an IPv4 address").arg(tokens.at(i));
                return false;
            }
            a.address = tokens.at(i);
            ++i;
        }
        if (i < tokens.size()) {
            *why = QStringLiteral("unexpected \"%1\" after %2").arg(tokens.at(i), kind);
            return false;
        }
        answers.append(a);
    }
    *out = answers;
    return true;
}

// ---------------------------------------------------------------------------
// Phonebook

const PhonebookEntry *Phonebook::find(const QString &name) const
{
    for (const PhonebookEntry &e : entries)
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

namespace {

bool hasControl(const QString &s)
{
    for (QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

} // namespace

Phonebook ParsePhonebook(const QByteArray &text)
{
    Phonebook book;
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    PhonebookEntry *current = nullptr;
    bool skippingSection = false;
    QSet<QString> seenKeys;
    const auto problem = [&book](int n, const QString &why) {
        book.problems.append(QStringLiteral("line %1: %2").arg(n).arg(why));
    };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int n = static_cast<int>(i + 1);
        QByteArray bytes = lines.at(i);
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        if (i == 0 && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder.decode(bytes);
        if (decoder.hasError()) {
            problem(n, QStringLiteral("not valid UTF-8 text; the line is skipped."));
            continue;
        }
        const QString line = decoded.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;

        if (line.startsWith(QLatin1Char('['))) {
            current = nullptr;
            skippingSection = true;
            seenKeys.clear();
            if (!line.endsWith(QLatin1Char(']'))) {
                problem(n, QStringLiteral("an entry header must end with \"]\"; the entry is skipped."));
                continue;
            }
            const QString name = line.mid(1, line.size() - 2).trimmed();
            if (name.isEmpty()) {
                problem(n, QStringLiteral("the entry has no name; it is skipped."));
            } else if (name.toUtf8().size() > RAS_MaxEntryName) {
                problem(n, QStringLiteral("the entry name is longer than %1 bytes; the entry is "
                                          "skipped.")
                               .arg(RAS_MaxEntryName));
            } else if (hasControl(name) || name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'))) {
                problem(n, QStringLiteral("the entry name holds control characters or brackets; "
                                          "the entry is skipped."));
            } else if (book.find(name)) {
                problem(n, QStringLiteral("entry \"%1\" appears twice; the second one is skipped.")
                               .arg(name));
            } else {
                PhonebookEntry e;
                e.name = name;
                e.line = n;
                e.answerText = QStringLiteral("connect");
                e.answers = {SimAnswer{}};
                book.entries.append(e);
                current = &book.entries.last();
                skippingSection = false;
            }
            continue;
        }

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            problem(n, QStringLiteral("expected [entry name], Key=value or a comment; the line is "
                                      "skipped."));
            continue;
        }
        if (skippingSection)
            continue; // its header was already reported
        if (!current) {
            problem(n, QStringLiteral("a value before the first [entry]; the line is skipped."));
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const QString folded = key.toLower();
        int limit = 0;
        QString canonical;
        if (folded == QLatin1String("username")) {
            canonical = QStringLiteral("UserName");
            limit = UNLEN;
        } else if (folded == QLatin1String("password")) {
            canonical = QStringLiteral("Password");
            limit = PWLEN;
        } else if (folded == QLatin1String("answer")) {
            canonical = QStringLiteral("Answer");
            limit = 4096;
        } else if (folded == QLatin1String("device")) {
            canonical = QStringLiteral("Device");
            limit = RAS_MaxDeviceName;
        } else {
            problem(n, QStringLiteral("unknown key \"%1\" (known: UserName, Password, Answer, "
                                      "Device); the line is skipped.")
                           .arg(key));
            continue;
        }
        if (seenKeys.contains(canonical)) {
            problem(n, QStringLiteral("%1 is given twice for \"%2\"; the later line is skipped.")
                           .arg(canonical, current->name));
            continue;
        }
        if (value.toUtf8().size() > limit) {
            problem(n, QStringLiteral("%1 is longer than %2 bytes; the line is skipped.")
                           .arg(canonical)
                           .arg(limit));
            continue;
        }
        if (hasControl(value)) {
            problem(n, QStringLiteral("%1 holds control characters; the line is skipped.").arg(canonical));
            continue;
        }
        seenKeys.insert(canonical);
        if (canonical == QLatin1String("UserName")) {
            current->userName = value;
        } else if (canonical == QLatin1String("Password")) {
            current->password = value;
            current->passwordSaved = true;
        } else if (canonical == QLatin1String("Device")) {
            current->device = value;
        } else {
            QList<SimAnswer> answers;
            QString why;
            if (!ParseAnswers(value, &answers, &why)) {
                problem(n, QStringLiteral("Answer: %1; the line is skipped and \"%2\" connects.")
                               .arg(why, current->name));
                continue;
            }
            current->answerText = value;
            current->answers = answers;
        }
    }
    return book;
}

QByteArray SamplePhonebook()
{
    return QByteArrayLiteral(
        "; Phonebook of the Vantrel simulated line.\n"
        "; One [section] per entry, in the order the entries are listed. Keys:\n"
        ";   UserName=  the stored user name\n"
        ";   Password=  the saved password (leave the line out: no saved password)\n"
        ";   Answer=    how the line answers a dial: connect [seconds] [address],\n"
        ";              busy [seconds], noanswer [seconds] or authfail [seconds];\n"
        ";              a comma-separated list answers successive attempts in turn,\n"
        ";              the last one repeating\n"
        ";   Device=    the device name shown for the connection\n"
        "; The program never writes this file; edit it with any text editor.\n"
        "\n"
        "[Morvent Online]\n"
        "UserName=guest\n"
        "Password=guest\n"
        "Answer=connect 3 10.64.3.17\n"
        "\n"
        "[Night Line]\n"
        "UserName=night\n"
        "Answer=busy, busy, connect 4 10.64.7.42\n"
        "\n"
        "[Campus Modem]\n"
        "UserName=student\n"
        "Password=expired\n"
        "Answer=authfail\n"
        "Device=Campus Pool Modem\n");
}

// ---------------------------------------------------------------------------
// Shared state file

bool StatFile(const QByteArray &nativePath, FileStamp *stamp, int *err)
{
    struct stat st {};
    if (::stat(nativePath.constData(), &st) != 0) {
        if (err)
            *err = errno;
        return false;
    }
    stamp->dev = st.st_dev;
    stamp->ino = st.st_ino;
    stamp->size = st.st_size;
    stamp->mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

namespace {

// Reads a whole file through one descriptor, so the stamp matches the content.
bool readWithStamp(const QByteArray &nativePath, QByteArray *content, FileStamp *stamp, int *err)
{
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *err = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        *err = errno;
        ::close(fd);
        return false;
    }
    stamp->dev = st.st_dev;
    stamp->ino = st.st_ino;
    stamp->size = st.st_size;
    stamp->mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp->ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    content->clear();
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *err = errno;
            ::close(fd);
            return false;
        }
        if (n == 0)
            break;
        content->append(buf, n);
    }
    ::close(fd);
    return true;
}

QByteArray encodeField(const QString &s)
{
    return s.isEmpty() ? QByteArrayLiteral("-") : s.toUtf8().toPercentEncoding();
}

QString decodeField(const QByteArray &b)
{
    return b == "-" ? QString() : QString::fromUtf8(QByteArray::fromPercentEncoding(b));
}

// Handles start somewhere that depends on the time the state file is first made,
// so a handle kept by a program from before the file was removed is unlikely to
// name a new connection.
HRASCONN seedHandle()
{
    return 0x100 + static_cast<HRASCONN>((QDateTime::currentSecsSinceEpoch() & 0xFFFFF) << 4);
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

LineState::LineState(QString dir)
    : m_dir(std::move(dir)), m_path(m_dir + QStringLiteral("/lines")),
      m_nativePath(QFile::encodeName(m_path))
{
}

QByteArray LineState::serialize(const QList<LineRecord> &records, HRASCONN nextHandle)
{
    QByteArray out = QByteArrayLiteral(
        "# Vantrel simulated line: the connections up now, shared by every process of the\n"
        "# user. Change it with vantrel-line, not by hand.\n");
    out += "next " + QByteArray::number(nextHandle) + '\n';
    for (const LineRecord &r : records) {
        const RasLiveConnection &c = r.connection;
        out += "line " + QByteArray::number(c.handle) + ' ' + QByteArray::number(r.ownerPid) + ' '
               + encodeField(c.entryName) + ' ' + encodeField(c.deviceType) + ' '
               + encodeField(c.deviceName) + ' ' + encodeField(c.address) + '\n';
    }
    return out;
}

QList<LineRecord> LineState::parse(const QByteArray &text, HRASCONN *nextHandle)
{
    QList<LineRecord> records;
    if (nextHandle)
        *nextHandle = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QList<QByteArray> t = raw.trimmed().split(' ');
        if (t.size() == 2 && t.at(0) == "next") {
            bool ok = false;
            const uint v = t.at(1).toUInt(&ok);
            if (ok && nextHandle)
                *nextHandle = v;
            continue;
        }
        if (t.size() != 7 || t.at(0) != "line")
            continue; // comments, and anything this version does not know
        bool okH = false, okP = false;
        LineRecord r;
        r.connection.handle = t.at(1).toUInt(&okH);
        r.ownerPid = t.at(2).toLongLong(&okP);
        if (!okH || !okP || r.connection.handle == 0)
            continue;
        r.connection.entryName = decodeField(t.at(3));
        r.connection.deviceType = decodeField(t.at(4));
        r.connection.deviceName = decodeField(t.at(5));
        r.connection.address = decodeField(t.at(6));
        if (r.connection.entryName.isEmpty())
            continue;
        bool duplicate = false;
        for (const LineRecord &o : records)
            duplicate = duplicate || o.connection.handle == r.connection.handle;
        if (!duplicate)
            records.append(r);
    }
    return records;
}

HRASCONN LineState::takeHandle(const QList<LineRecord> &records, HRASCONN &nextHandle)
{
    for (;;) {
        const HRASCONN h = nextHandle++;
        if (h == 0)
            continue;
        bool used = false;
        for (const LineRecord &r : records)
            used = used || r.connection.handle == h;
        if (!used)
            return h;
    }
}

bool LineState::hasDeadDials(const QList<LineRecord> &records)
{
    for (const LineRecord &r : records)
        if (r.ownerPid != 0 && !processAlive(r.ownerPid))
            return true;
    return false;
}

QList<LineRecord> LineState::withoutDeadDials(QList<LineRecord> records)
{
    records.removeIf([](const LineRecord &r) { return r.ownerPid != 0 && !processAlive(r.ownerPid); });
    return records;
}

void LineState::refreshLocked()
{
    FileStamp stamp;
    if (!StatFile(m_nativePath, &stamp)) {
        m_cache.clear();
        m_cacheConnections.clear();
        m_cacheHasDials = false;
        m_stamp = FileStamp{};
        m_cacheValid = true;
        return;
    }
    if (m_cacheValid && stamp == m_stamp)
        return;
    QByteArray content;
    int err = 0;
    if (!readWithStamp(m_nativePath, &content, &stamp, &err)) {
        // Replaced or removed between the two looks: an empty list now, read again next time.
        m_cache.clear();
        m_cacheConnections.clear();
        m_cacheHasDials = false;
        m_cacheValid = false;
        return;
    }
    m_cache = parse(content, nullptr);
    m_cacheConnections.clear();
    m_cacheHasDials = false;
    for (const LineRecord &r : std::as_const(m_cache)) {
        m_cacheConnections.append(r.connection);
        m_cacheHasDials = m_cacheHasDials || r.ownerPid != 0;
    }
    m_stamp = stamp;
    m_cacheValid = true;
}

QList<LineRecord> LineState::read()
{
    std::lock_guard lock(m_mutex);
    refreshLocked();
    if (m_cacheHasDials && hasDeadDials(m_cache))
        return withoutDeadDials(m_cache);
    return m_cache;
}

QList<RasLiveConnection> LineState::connections()
{
    std::lock_guard lock(m_mutex);
    refreshLocked();
    if (m_cacheHasDials && hasDeadDials(m_cache)) {
        QList<RasLiveConnection> out;
        for (const LineRecord &r : withoutDeadDials(m_cache))
            out.append(r.connection);
        return out;
    }
    return m_cacheConnections;
}

bool LineState::update(const std::function<bool(QList<LineRecord> &, HRASCONN &)> &change,
                       QString *why)
{
    QDir dir(m_dir);
    if (!dir.exists()) {
        if (!QDir().mkpath(m_dir)) {
            if (why)
                *why = QStringLiteral("cannot create the folder %1").arg(m_dir);
            return false;
        }
        QFile::setPermissions(m_dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                         | QFileDevice::ExeOwner);
    }
    QLockFile lock(m_dir + QStringLiteral("/lines.lock"));
    if (!lock.tryLock(10000)) {
        if (why)
            *why = QStringLiteral("cannot lock %1 (error %2)")
                       .arg(m_path)
                       .arg(static_cast<int>(lock.error()));
        return false;
    }
    // Read afresh under the lock: the cache may be one write behind.
    QByteArray content;
    FileStamp stamp;
    int err = 0;
    HRASCONN next = 0;
    QList<LineRecord> records;
    if (readWithStamp(m_nativePath, &content, &stamp, &err)) {
        records = parse(content, &next);
    } else if (err != ENOENT) {
        if (why)
            *why = QStringLiteral("cannot read %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(err)));
        return false;
    }
    if (next == 0)
        next = seedHandle();
    const qsizetype before = records.size();
    records = withoutDeadDials(records);
    const bool pruned = records.size() != before;
    const bool changed = change(records, next);
    if (!changed && !pruned)
        return true;
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        if (why)
            *why = QStringLiteral("cannot write %1: %2").arg(m_path, out.errorString());
        return false;
    }
    out.write(serialize(records, next));
    if (!out.commit()) {
        if (why)
            *why = QStringLiteral("cannot write %1: %2").arg(m_path, out.errorString());
        return false;
    }
    // Another writer may replace the file at once; let the next read stat it.
    std::lock_guard cacheLock(m_mutex);
    m_cacheValid = false;
    return true;
}

// ---------------------------------------------------------------------------
// The simulated line

struct SimLine::Dial {
    HRASCONN handle = 0;
    QString entry;
    SimAnswer answer;
    std::function<void(RASCONNSTATE, DWORD)> progress;
    std::mutex mutex;             // for the wait between steps
    std::condition_variable wake;
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    RASCONNSTATE state = RASCS_OpenPort;  // last state reported; under m_dialMutex
};

namespace {

struct Step {
    RASCONNSTATE state;
    DWORD error;
    double at; // fraction of the attempt's length
};

std::vector<Step> stepsFor(SimAnswer::Kind kind)
{
    const std::vector<Step> toDevice = {
        {RASCS_OpenPort, 0, 0.0}, {RASCS_PortOpened, 0, 0.05}, {RASCS_ConnectDevice, 0, 0.10}};
    std::vector<Step> steps = toDevice;
    switch (kind) {
    case SimAnswer::Kind::Busy:
        steps.push_back({RASCS_ConnectDevice, ERROR_LINE_BUSY, 1.0});
        return steps;
    case SimAnswer::Kind::NoAnswer:
        steps.push_back({RASCS_ConnectDevice, ERROR_NO_ANSWER, 1.0});
        return steps;
    case SimAnswer::Kind::Connect:
    case SimAnswer::Kind::AuthFail:
        break;
    }
    steps.push_back({RASCS_DeviceConnected, 0, 0.55});
    steps.push_back({RASCS_AllDevicesConnected, 0, 0.60});
    steps.push_back({RASCS_Authenticate, 0, 0.65});
    if (kind == SimAnswer::Kind::AuthFail) {
        steps.push_back({RASCS_Authenticate, ERROR_AUTHENTICATION_FAILURE, 1.0});
        return steps;
    }
    steps.push_back({RASCS_AuthNotify, 0, 0.75});
    steps.push_back({RASCS_AuthProject, 0, 0.85});
    steps.push_back({RASCS_Authenticated, 0, 0.95});
    steps.push_back({RASCS_Connected, 0, 1.0});
    return steps;
}

QString envDir(const char *name)
{
    const QString v = qEnvironmentVariable(name);
    return v.startsWith(QLatin1Char('/')) ? v : QString();
}

} // namespace

QString SimLine::defaultConfigDir()
{
    QString base = envDir("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vantrel");
}

QString SimLine::defaultRuntimeDir()
{
    const QString base = envDir("XDG_RUNTIME_DIR");
    if (!base.isEmpty() && QFileInfo(base).isDir())
        return base + QStringLiteral("/vantrel");
    return defaultConfigDir();
}

double SimLine::speedFromEnvironment()
{
    bool ok = false;
    const double v = qEnvironmentVariable("VANTREL_SIMLINE_SPEED").toDouble(&ok);
    return ok && std::isfinite(v) && v >= 0 ? v : 1.0;
}

SimLine::Options SimLine::defaultOptions()
{
    Options o;
    o.configDir = defaultConfigDir();
    o.runtimeDir = defaultRuntimeDir();
    o.speed = speedFromEnvironment();
    return o;
}

SimLine::SimLine(Options options)
    : m_options(std::move(options)),
      m_phonebookPath(m_options.configDir + QStringLiteral("/phonebook.ini")),
      m_state(m_options.runtimeDir)
{
}

SimLine::~SimLine()
{
    {
        std::lock_guard lock(m_dialMutex);
        QList<HRASCONN> mine;
        for (auto &[h, dial] : m_dials) {
            mine.append(h);
            std::lock_guard wl(dial->mutex);
            dial->cancelled = true;
            dial->wake.notify_all();
        }
        m_dials.clear();
        if (!mine.isEmpty()) {
            m_state.update([&mine](QList<LineRecord> &records, HRASCONN &) {
                return records.removeIf([&mine](const LineRecord &r) {
                           return mine.contains(r.connection.handle);
                       }) > 0;
            });
        }
    }
    reapThreads(true);
}

void SimLine::report(const QString &text) const
{
    if (m_options.report)
        m_options.report(text);
}

void SimLine::reapThreads(bool all)
{
    std::vector<std::pair<std::shared_ptr<Dial>, std::thread>> finished;
    {
        std::lock_guard lock(m_dialMutex);
        auto it = m_threads.begin();
        while (it != m_threads.end()) {
            if (all || it->first->done) {
                finished.push_back(std::move(*it));
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto &p : finished)
        p.second.join();
}

bool SimLine::readPhonebookLocked(Phonebook *out, QString *why, QString *toReport)
{
    const QByteArray native = QFile::encodeName(m_phonebookPath);
    FileStamp stamp;
    int err = 0;
    if (!StatFile(native, &stamp, &err) && err == ENOENT) {
        // First use: write the sample. It is linked into place only if no file has
        // appeared meanwhile, so a phonebook made by someone else is never replaced.
        QDir().mkpath(m_options.configDir);
        QTemporaryFile tmp(m_options.configDir + QStringLiteral("/phonebook.XXXXXX"));
        bool ok = tmp.open() && tmp.write(SamplePhonebook()) == SamplePhonebook().size() && tmp.flush()
                  && ::fsync(tmp.handle()) == 0;
        if (ok && ::link(QFile::encodeName(tmp.fileName()).constData(), native.constData()) != 0
            && errno != EEXIST)
            ok = false;
        if (!ok) {
            const QString text = QStringLiteral("Cannot create the phonebook %1.").arg(m_phonebookPath);
            if (why)
                *why = text;
            if (m_lastReport != text) {
                m_lastReport = text;
                *toReport = text;
            }
            return false;
        }
    }
    QByteArray content;
    if (m_bookValid && StatFile(native, &stamp) && stamp == m_bookStamp) {
        *out = m_book;
        return true;
    }
    if (!readWithStamp(native, &content, &stamp, &err)) {
        const QString text = QStringLiteral("Cannot read the phonebook %1: %2.")
                                 .arg(m_phonebookPath, QString::fromLocal8Bit(std::strerror(err)));
        if (why)
            *why = text;
        m_bookValid = false;
        if (m_lastReport != text) {
            m_lastReport = text;
            *toReport = text;
        }
        return false;
    }
    m_book = ParsePhonebook(content);
    m_bookStamp = stamp;
    m_bookValid = true;
    m_lastReport.clear();
    if (!m_book.problems.isEmpty())
        *toReport = (QStringLiteral("Some lines of the phonebook %1 were skipped:\n%2")
                   .arg(m_phonebookPath, m_book.problems.join(QLatin1Char('\n'))));
    *out = m_book;
    return true;
}

bool SimLine::phonebook(Phonebook *out, QString *why)
{
    QString toReport;
    bool ok = false;
    {
        std::lock_guard lock(m_bookMutex);
        ok = readPhonebookLocked(out, why, &toReport);
    }
    // Told with no lock held: the receiver may show a modal box whose event loop
    // lets other handlers call the service again.
    if (!toReport.isEmpty())
        report(toReport);
    return ok;
}

DWORD SimLine::listEntries(QList<QString> *names)
{
    Phonebook book;
    if (!phonebook(&book))
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    names->clear();
    for (const PhonebookEntry &e : book.entries)
        names->append(e.name);
    return 0;
}

DWORD SimLine::entryDialParams(const QString &entry, QString *userName, QString *password,
                               bool *passwordSaved)
{
    Phonebook book;
    if (!phonebook(&book))
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    const PhonebookEntry *e = book.find(entry);
    if (!e)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    *userName = e->userName;
    *password = e->passwordSaved ? e->password : QString();
    *passwordSaved = e->passwordSaved;
    return 0;
}

DWORD SimLine::dial(const QString &entry, const QString &userName, const QString &password,
                    std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle)
{
    Q_UNUSED(userName);
    Q_UNUSED(password);
    Phonebook book;
    if (!phonebook(&book))
        return ERROR_CANNOT_OPEN_PHONEBOOK;
    const PhonebookEntry *e = book.find(entry);
    if (!e)
        return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;

    reapThreads(false);
    QString dialProblem;
    const DWORD rc = startDial(*e, std::move(progress), handle, &dialProblem);
    if (!dialProblem.isEmpty())
        report(dialProblem);
    return rc;
}

DWORD SimLine::startDial(const PhonebookEntry &entry, std::function<void(RASCONNSTATE, DWORD)> progress,
                         HRASCONN *handle, QString *problem)
{
    const PhonebookEntry *e = &entry;
    QString &dialProblem = *problem;
    std::lock_guard lock(m_dialMutex);

    // Successive attempts on an entry take the answers in turn, the last repeating;
    // editing the entry's Answer starts the count again.
    auto &[text, count] = m_attempts[e->name.toCaseFolded()];
    if (text != e->answerText) {
        text = e->answerText;
        count = 0;
    }
    const SimAnswer answer = e->answers.at(std::min<qsizetype>(count, e->answers.size() - 1));

    bool alreadyUp = false;
    HRASCONN h = 0;
    QString why;
    const QString device = e->device.isEmpty() ? QString::fromLatin1(kDefaultDevice) : e->device;
    const bool written = m_state.update(
        [&](QList<LineRecord> &records, HRASCONN &next) {
            for (const LineRecord &r : records)
                if (r.connection.entryName.compare(e->name, Qt::CaseInsensitive) == 0)
                    alreadyUp = true;
            if (alreadyUp)
                return false;
            h = LineState::takeHandle(records, next);
            LineRecord r;
            r.connection.handle = h;
            r.connection.entryName = e->name;
            r.connection.deviceType = QString::fromLatin1(kDeviceType);
            r.connection.deviceName = device;
            r.ownerPid = ::getpid();
            records.append(r);
            return true;
        },
        &why);
    if (!written) {
        dialProblem = QStringLiteral("The simulated line cannot dial: %1.").arg(why);
        return ERROR_PORT_NOT_AVAILABLE;
    }
    if (alreadyUp)
        return ERROR_PORT_ALREADY_OPEN; // one line per entry
    ++count;

    auto d = std::make_shared<Dial>();
    d->handle = h;
    d->entry = e->name;
    d->answer = answer;
    if (d->answer.kind == SimAnswer::Kind::Connect && d->answer.address.isEmpty())
        d->answer.address = DerivedAddress(e->name);
    d->progress = std::move(progress);
    m_dials[h] = d;
    m_threads.emplace_back(d, std::thread([this, d] { runDial(d); }));
    *handle = h;
    return 0;
}

bool SimLine::stillListed(HRASCONN handle)
{
    for (const RasLiveConnection &c : m_state.connections())
        if (c.handle == handle)
            return true;
    return false;
}

void SimLine::runDial(std::shared_ptr<Dial> d)
{
    using Clock = std::chrono::steady_clock;
    const double seconds = d->answer.seconds >= 0 ? d->answer.seconds
                                                   : DefaultAnswerSeconds(d->answer.kind);
    const double scaled = m_options.speed > 0 ? seconds / m_options.speed : 0.0;
    const Clock::time_point start = Clock::now();

    for (const Step &step : stepsFor(d->answer.kind)) {
        const auto deadline =
            start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(step.at * scaled));
        // Wait for the step in short slices, so that a line dropped from outside
        // (vantrel-line down) mid-dial is noticed at once, not at the next step.
        bool droppedOutside = false;
        for (;;) {
            const auto sliceEnd = std::min(deadline, Clock::now() + std::chrono::milliseconds(200));
            {
                std::unique_lock wl(d->mutex);
                d->wake.wait_until(wl, sliceEnd, [&d] { return d->cancelled.load(); });
            }
            if (d->cancelled || Clock::now() >= deadline)
                break;
            if (!stillListed(d->handle)) {
                droppedOutside = true;
                break;
            }
        }
        RASCONNSTATE state = step.state;
        DWORD error = step.error;
        bool last = false;
        {
            std::lock_guard lock(m_dialMutex);
            if (d->cancelled) {
                // Hung up: the handle is already gone; tell the caller so its wait ends.
                state = d->state;
                error = ERROR_USER_DISCONNECTION;
                last = true;
            } else {
                bool present = true;
                QString why;
                if (step.error) {
                    m_state.update(
                        [&d](QList<LineRecord> &records, HRASCONN &) {
                            return records.removeIf([&d](const LineRecord &r) {
                                       return r.connection.handle == d->handle;
                                   }) > 0;
                        },
                        &why);
                    last = true;
                } else if (step.state == RASCS_Connected) {
                    const bool ok = m_state.update(
                        [&](QList<LineRecord> &records, HRASCONN &) {
                            for (LineRecord &r : records) {
                                if (r.connection.handle == d->handle) {
                                    r.connection.address = d->answer.address;
                                    r.ownerPid = 0;
                                    return true;
                                }
                            }
                            present = false;
                            return false;
                        },
                        &why);
                    if (!ok) {
                        error = ERROR_HARDWARE_FAILURE;
                        state = d->state;
                    }
                    last = true;
                } else {
                    present = !droppedOutside && stillListed(d->handle);
                }
                if (!present) {
                    state = d->state;
                    error = ERROR_PORT_DISCONNECTED;
                    last = true;
                }
                if (error)
                    m_failed[d->handle] = {state, error};
                if (last)
                    m_dials.erase(d->handle);
                d->state = state;
            }
        }
        if (d->progress)
            d->progress(state, error);
        if (last)
            break;
    }
    d->progress = nullptr;
    d->done = true;
}

DWORD SimLine::hangUp(HRASCONN handle)
{
    std::lock_guard lock(m_dialMutex);
    const auto removeFromFile = [this, handle](bool *found) {
        return m_state.update([handle, found](QList<LineRecord> &records, HRASCONN &) {
            const bool any = records.removeIf([handle](const LineRecord &r) {
                                 return r.connection.handle == handle;
                             }) > 0;
            if (found)
                *found = any;
            return any;
        });
    };
    if (const auto it = m_dials.find(handle); it != m_dials.end()) {
        const std::shared_ptr<Dial> d = it->second;
        m_dials.erase(it);
        {
            std::lock_guard wl(d->mutex);
            d->cancelled = true;
        }
        d->wake.notify_all();
        removeFromFile(nullptr);
        return 0;
    }
    if (m_failed.erase(handle) > 0)
        return 0;
    bool found = false;
    if (!removeFromFile(&found))
        return ERROR_UNKNOWN;
    return found ? 0 : ERROR_INVALID_HANDLE;
}

DWORD SimLine::connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error)
{
    {
        std::lock_guard lock(m_dialMutex);
        if (const auto it = m_dials.find(handle); it != m_dials.end()) {
            *state = it->second->state;
            *error = 0;
            return 0;
        }
        if (const auto it = m_failed.find(handle); it != m_failed.end()) {
            *state = it->second.state;
            *error = it->second.error;
            return 0;
        }
    }
    for (const RasLiveConnection &c : m_state.connections()) {
        if (c.handle == handle) {
            // Another process's dial in progress tells us nothing of its state.
            *state = c.address.isEmpty() ? RASCS_OpenPort : RASCS_Connected;
            *error = 0;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

DWORD SimLine::connections(QList<RasLiveConnection> *out)
{
    *out = m_state.connections();
    return 0;
}

} // namespace vantrel
