// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The single-instance check. While the main window exists it registers its class
// name as a per-user local socket; a later copy looks for it.
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace vantrel {

// The socket's path: in the user's private runtime folder (UserRuntimeFolder():
// RuntimeLocation: $XDG_RUNTIME_DIR, else a 0700 folder of the user's own under
// the temporary folder; never the shared temporary folder itself, where another
// user could take the name first). Empty when there is no such folder.
QString WindowClassSocket(const QString &className);

// True when a running copy answers on the class's socket.
bool FindWindowClass(const QString &className);

// A registered class: answers every look at it, and removes its socket when it
// ends, if the socket is still its own.
class WindowClassRegistration final : public QObject {
    Q_OBJECT
public:
    ~WindowClassRegistration() override;

private:
    friend std::unique_ptr<WindowClassRegistration> RegisterWindowClass(const QString &);
    WindowClassRegistration(QString path, int fd, quint64 device, quint64 inode);
    void answer();

    QString m_path;
    int m_fd;
    quint64 m_device;
    quint64 m_inode;
    QSocketNotifier *m_notifier;
};

// Registers the class. A socket that nobody answers on (left by a copy that
// crashed) is replaced; a live copy's socket is never touched: then, as when the
// socket cannot be made, the result is nullptr and this copy runs without
// being found.
std::unique_ptr<WindowClassRegistration> RegisterWindowClass(const QString &className);

} // namespace vantrel
