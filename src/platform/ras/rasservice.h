// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The service behind RasApi. Backends: the simulated line (simline.h); a
// NetworkManager backend can be added behind the same interface.
#include "platform/ras/ras.h"

#include <QList>
#include <QString>

#include <functional>

namespace vantrel {

struct RasLiveConnection {
    HRASCONN handle = 0;
    QString entryName;
    QString deviceType;
    QString deviceName;
    QString address; // empty while the IP projection is not complete
};

class RasService {
public:
    virtual ~RasService() = default;

    // Phonebook entry names in phonebook order; false when the phonebook cannot be read.
    virtual DWORD listEntries(QList<QString> *names) = 0;
    virtual DWORD entryDialParams(const QString &entry, QString *userName, QString *password, bool *passwordSaved) = 0;
    // Starts a dial and returns at once. `progress` may be called on any thread,
    // in order, once per state; the last call carries RASCS_Connected or an error.
    virtual DWORD dial(const QString &entry, const QString &userName, const QString &password,
                       std::function<void(RASCONNSTATE, DWORD)> progress, HRASCONN *handle) = 0;
    virtual DWORD hangUp(HRASCONN handle) = 0;
    virtual DWORD connectStatus(HRASCONN handle, RASCONNSTATE *state, DWORD *error) = 0;
    // Live connections of the user, in the order the service keeps them.
    virtual DWORD connections(QList<RasLiveConnection> *out) = 0;

    // The IP address of a connection: 0 with the address, ERROR_PROJECTION_NOT_COMPLETE
    // while it has none yet, ERROR_INVALID_HANDLE for a handle that is not a connection.
    // A backend may answer faster than this default walk of connections().
    virtual DWORD ipProjection(HRASCONN handle, QString *address)
    {
        QList<RasLiveConnection> list;
        if (const DWORD rc = connections(&list))
            return rc;
        for (const RasLiveConnection &c : list) {
            if (c.handle == handle) {
                if (c.address.isEmpty())
                    return ERROR_PROJECTION_NOT_COMPLETE;
                *address = c.address;
                return 0;
            }
        }
        return ERROR_INVALID_HANDLE;
    }
};

} // namespace vantrel
