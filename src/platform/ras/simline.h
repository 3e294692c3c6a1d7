#pragma once
// The simulated line: the remote access backend used where no real dialler is
// present, and by the tests. It reads a phonebook file, dials through the real
// state sequence on a worker thread, and keeps the live connections in a state
// file that every process of the user shares (so vantrel-line can bring a line
// up or down from outside, as a connection made by other means would be).
#include "platform/ras/rasservice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace vantrel {

// How the far end answers one dial attempt.
struct SimAnswer {
    enum class Kind { Connect, Busy, NoAnswer, AuthFail };
    Kind kind = Kind::Connect;
    double seconds = -1;  // length of the attempt at speed 1; below 0: the kind's default
    QString address;      // Connect only; empty: derived from the entry name
};

// Parses an Answer value: one answer or a comma-separated list for successive
// attempts. Each answer is `connect [seconds] [address]`, `busy [seconds]`,
// `noanswer [seconds]` or `authfail [seconds]`. False with a reason on bad text.
bool ParseAnswers(const QString &text, QList<SimAnswer> *out, QString *why);
QString AnswerKindName(SimAnswer::Kind kind);
// Length of an attempt at speed 1 when the answer gives none.
double DefaultAnswerSeconds(SimAnswer::Kind kind);
// The address a connect answer without one hands out: 10.64.x.y from the name.
QString DerivedAddress(const QString &entryName);
// Strict dotted-quad check (four numbers 0-255, no leading zeros).
bool IsIpv4Address(const QString &text);

struct PhonebookEntry {
    QString name;
    QString userName;
    QString password;
    bool passwordSaved = false;   // a Password line is present (possibly empty)
    QString answerText;           // as written; "connect" when absent
    QList<SimAnswer> answers;     // never empty
    QString device;               // device name; empty: the default one
    int line = 0;                 // line of the section header
};

struct Phonebook {
    QList<PhonebookEntry> entries;  // in file order
    QStringList problems;           // "line N: reason; the line is skipped." and the like

    // Entry names compare without regard to case, as the dialler's do.
    const PhonebookEntry *find(const QString &name) const;
};

// Strict reader of the phonebook text. Never fails: whatever it cannot take is
// skipped and described in `problems`.
Phonebook ParsePhonebook(const QByteArray &text);
// The phonebook written on first use.
QByteArray SamplePhonebook();

// What identifies one version of a file: a change of content replaces the file
// (new inode) or changes its size or times.
struct FileStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    qint64 mtimeNs = 0;
    qint64 ctimeNs = 0;
    bool operator==(const FileStamp &) const = default;
};
// False when the file does not exist or cannot be looked at.
bool StatFile(const QByteArray &nativePath, FileStamp *stamp, int *err = nullptr);

// One live (or being dialled) connection in the shared state file.
struct LineRecord {
    RasLiveConnection connection;
    qint64 ownerPid = 0;  // process dialling it; 0 once connected or brought up by hand
};

// The shared state file `lines` in a folder. Reading takes no lock: writers
// replace the file by atomic rename, and a reader keeps the last parse until the
// file's inode, size or times change, so an unchanged file costs one stat().
// Writers take a QLockFile, re-read, change and write through QSaveFile.
class LineState {
public:
    explicit LineState(QString dir);

    QString path() const { return m_path; }
    QString dir() const { return m_dir; }

    // The records, dials of processes that have died left out. Thread-safe.
    QList<LineRecord> read();
    // The same as connections, for the service.
    QList<RasLiveConnection> connections();

    // Locked read-modify-write. `change` gets the fresh records and the next free
    // handle; it returns false to leave the file as it was. False with a reason
    // in `why` when the lock cannot be had or the file cannot be written.
    bool update(const std::function<bool(QList<LineRecord> &, HRASCONN &nextHandle)> &change,
                QString *why = nullptr);

    static QByteArray serialize(const QList<LineRecord> &records, HRASCONN nextHandle);
    static QList<LineRecord> parse(const QByteArray &text, HRASCONN *nextHandle);
    // Takes a fresh handle (never 0, never one in use) and advances the counter.
    static HRASCONN takeHandle(const QList<LineRecord> &records, HRASCONN &nextHandle);

private:
    // Brings the cache up to date; m_mutex must be held.
    void refreshLocked();
    static bool hasDeadDials(const QList<LineRecord> &records);
    static QList<LineRecord> withoutDeadDials(QList<LineRecord> records);

    QString m_dir;
    QString m_path;
    QByteArray m_nativePath;
    std::mutex m_mutex;
    bool m_cacheValid = false;
    FileStamp m_stamp;
    QList<LineRecord> m_cache;
    QList<RasLiveConnection> m_cacheConnections;
    bool m_cacheHasDials = false;  // some record belongs to a dial in progress
};

class SimLine final : public RasService {
public:
    struct Options {
        QString configDir;   // holds phonebook.ini
        QString runtimeDir;  // holds the shared state file
        // Dial delays are divided by this; 0 makes every step immediate.
        double speed = 1.0;
        // Told about damage found in the phonebook (once per version of the file)
        // and about files that cannot be read or written. Called on the thread
        // that calls the service.
        std::function<void(const QString &)> report;
    };

    explicit SimLine(Options options);
    ~SimLine() override;
    SimLine(const SimLine &) = delete;
    SimLine &operator=(const SimLine &) = delete;

    // $XDG_CONFIG_HOME/vantrel (or ~/.config/vantrel).
    static QString defaultConfigDir();
    // $XDG_RUNTIME_DIR/vantrel, or the config folder when there is no runtime folder.
    static QString defaultRuntimeDir();
    // VANTREL_SIMLINE_SPEED when set to a number of 0 or more, else 1.
    static double speedFromEnvironment();
    // The defaults above, for the program and the command-line tool.
    static Options defaultOptions();

    QString phonebookPath() const { return m_phonebookPath; }
    LineState &state() { return m_state; }
    double speed() const { return m_options.speed; }

    // The phonebook as now on disk (read again only when the file changed). Writes
    // the sample first when the file does not exist. False when it cannot be read.
    bool phonebook(Phonebook *out, QString *why = nullptr);

    // RasService
    DWORD listEntries(QList<QString> *names) override;
    DWORD entryDialParams(const QString &entry, QString *userName, QString *password,
                          bool *passwordSaved) override;
    DWORD dial(const QString &entry, const QString &userName, const QString &password,
               std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle) override;
    DWORD hangUp(HRASCONN handle) override;
    DWORD connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error) override;
    DWORD connections(QList<RasLiveConnection> *out) override;

    static constexpr const char *kDefaultDevice = "Simulated Modem";
    static constexpr const char *kDeviceType = "modem";

private:
    struct Dial;
    bool readPhonebookLocked(Phonebook *out, QString *why, QString *toReport);
    DWORD startDial(const PhonebookEntry &entry, std::function<void(RASCONNSTATE, DWORD)> progress,
                    HRASCONN *handle, QString *problem);
    void runDial(std::shared_ptr<Dial> dial);
    bool stillListed(HRASCONN handle);
    void reapThreads(bool all);
    void report(const QString &text) const;

    Options m_options;
    QString m_phonebookPath;
    LineState m_state;

    // Phonebook cache.
    std::mutex m_bookMutex;
    bool m_bookValid = false;
    FileStamp m_bookStamp;
    Phonebook m_book;
    QString m_lastReport;

    // Dials of this process.
    std::mutex m_dialMutex;
    std::map<HRASCONN, std::shared_ptr<Dial>> m_dials;
    struct Failed {
        RASCONNSTATE state;
        DWORD error;
    };
    std::map<HRASCONN, Failed> m_failed;  // kept until hung up, as a real port is
    std::map<QString, std::pair<QString, int>> m_attempts;  // entry key -> (answer text, count)
    std::vector<std::pair<std::shared_ptr<Dial>, std::thread>> m_threads;
};

} // namespace vantrel
