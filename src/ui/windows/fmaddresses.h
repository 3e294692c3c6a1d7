// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Network addresses": every interface that is up with its IPv4 and IPv6
// addresses (the default route's interface marked), and the public IPv4 and
// IPv6 addresses with the time of the last answer and the server that gave it.
// A click on a row, or Ctrl+C, copies its address. It follows changes as they
// come: the kernel's announcements for the interfaces, PublicAddress::changed()
// for the public rows. Modeless; it deletes itself when it closes.
#include "platform/sockets/networkwatch.h"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QTableWidget;
class QPushButton;

namespace vantrel {

class InterfaceSource;
class PublicAddress;
class VTimer;

class TfmAddresses : public QWidget {
    Q_OBJECT
public:
    TfmAddresses(InterfaceSource &interfaces, PublicAddress &publicAddress, std::unique_ptr<NetworkWatch> watch,
                 std::function<void(QWidget *owner)> openPreferences, QWidget *parent = nullptr);
    ~TfmAddresses() override;

    // Reads the interfaces and the public state again and fills the rows.
    void refresh();
    // Copies the address of `row`; false when the row holds none.
    bool copyRow(int row);

private:
    void addRow(const QString &name, const QString &address, const QString &notes, bool copyable);
    // The texts of the two public rows, from the lookup's state.
    void showPublic();

    InterfaceSource &m_interfaces;
    PublicAddress &m_public;
    std::unique_ptr<NetworkWatch> m_watch;
    QTableWidget *m_list = nullptr;
    int m_publicRow = 0;     // the public IPv4 row; IPv6 follows
    int m_widestAddress = 0; // pixels: the widest address the column was sized for
    QLabel *m_status = nullptr;
    QPushButton *m_preferences = nullptr;
    QPushButton *m_close = nullptr;
    VTimer *m_settle = nullptr;
};

} // namespace vantrel
