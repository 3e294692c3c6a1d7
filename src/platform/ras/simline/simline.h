// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated line: the remote access backend used where no real dialler is
// present, and by the tests. It reads a phonebook file, dials through the real
// state sequence on a worker thread, and keeps the live connections in a state
// file that every process of the user shares (so vantrel-line can bring a line
// up or down from outside, as a connection made by other means would be).
#include "platform/ras/rasservice.h"
#include "platform/ras/simline/linestate.h"
#include "platform/ras/simline/phonebook.h"

#include <QString>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantrel {

class SimLine final : public RasService {
public:
    struct Options {
        QString configDir;  // holds phonebook.ini
        QString runtimeDir; // holds the shared state file
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
    // vantrel in the user's private runtime folder (UserRuntimeFolder), or the
    // config folder when there is none.
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
    DWORD entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved) override;
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
    DWORD startDial(const PhonebookEntry &entry, std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle,
                    QString *problem);
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
    std::map<HRASCONN, Failed> m_failed;                   // kept until hung up, as a real port is
    std::map<QString, std::pair<QString, int>> m_attempts; // entry key -> (answer text, count)
    std::vector<std::pair<std::shared_ptr<Dial>, std::thread>> m_threads;
};

} // namespace vantrel
