// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ras/simline/simline.h"

#include "platform/logging.h"
#include "platform/privatefolder.h"
#include "platform/ras/simline/dialworker.h"
#include "platform/regularfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstring>

#include <unistd.h>

namespace vantrel {

namespace {

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
    // The single-instance socket's folder: $XDG_RUNTIME_DIR only when it is
    // the user's own and private.
    const QString base = UserRuntimeFolder();
    if (!base.isEmpty())
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
    : m_options(std::move(options)), m_phonebookPath(m_options.configDir + QStringLiteral("/phonebook.ini")),
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
                return records.removeIf([&mine](const LineRecord &r) { return mine.contains(r.connection.handle); }) > 0;
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
        if (ok && ::link(QFile::encodeName(tmp.fileName()).constData(), native.constData()) != 0 && errno != EEXIST)
            ok = false;
        if (!ok) {
            const QString text =
                QCoreApplication::translate("SimLine", "Cannot create the phonebook %1.").arg(m_phonebookPath);
            if (why)
                *why = text;
            if (m_lastReport != text) {
                m_lastReport = text;
                *toReport = text;
            }
            return false;
        }
        qCDebug(lcFiles) << "No phonebook was there; the sample is now in place at" << m_phonebookPath;
    }
    QByteArray content;
    if (m_bookValid && StatFile(native, &stamp) && stamp == m_bookStamp) {
        *out = m_book;
        return true;
    }
    if (!ReadWithStamp(native, kMaxPhonebookBytes, &content, &stamp, &err)) {
        const QString text = err == EFBIG
                                 ? QCoreApplication::translate(
                                       "SimLine", "Cannot read the phonebook %1: it is larger than %2 KiB, too large "
                                                  "to be a phonebook.")
                                       .arg(m_phonebookPath)
                                       .arg(kMaxPhonebookBytes / 1024)
                                 : QCoreApplication::translate("SimLine", "Cannot read the phonebook %1: %2.")
                                       .arg(m_phonebookPath, FileErrorText(err));
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
    qCDebug(lcFiles) << "Read phonebook" << m_phonebookPath << "with" << m_book.entries.size() << "entries";
    if (!m_book.problems.isEmpty())
        *toReport = (QCoreApplication::translate("SimLine", "Some lines of the phonebook %1 were skipped:\n%2")
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
    if (!toReport.isEmpty()) {
        if (m_options.report)
            qCDebug(lcFiles) << toReport;
        else
            qCWarning(lcFiles) << toReport;
        report(toReport);
    }
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

DWORD SimLine::entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved)
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
    // Every refused dial says why, in one box: the dialer shows none of its own
    // for ERROR_LINE_UNUSABLE.
    if (const QString problem = m_state.folderProblem(); !problem.isEmpty()) {
        report(problem);
        return ERROR_LINE_UNUSABLE;
    }

    reapThreads(false);
    QString dialProblem;
    const DWORD rc = startDial(*e, std::move(progress), handle, &dialProblem);
    if (!dialProblem.isEmpty())
        report(dialProblem);
    return rc;
}

DWORD SimLine::connections(QList<RasLiveConnection> *out)
{
    out->clear();
    // Said when a dial is asked for; the poll asks every two seconds.
    if (!m_state.folderProblem().isEmpty())
        return ERROR_PORT_NOT_AVAILABLE;
    *out = m_state.connections();
    return 0;
}

} // namespace vantrel
