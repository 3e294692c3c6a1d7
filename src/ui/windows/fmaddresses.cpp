// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmaddresses.h"

#include "monitor/publicaddress.h"
#include "platform/sockets/interfaces.h"
#include "platform/sockets/networkwatch.h"
#include "platform/vtimer.h"
#include "ui/platform/closeguard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>

namespace vantrel {

namespace {

constexpr int kAddressColumn = 1;
// Interface changes come in bursts (link, addresses, routes): one refresh.
constexpr int kSettleMs = 300;
// Rows the window makes room for when it opens; more scroll.
constexpr int kShownRows = 16;

QString addressText(const InterfaceAddress &a)
{
    char buf[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(a.ipv6 ? AF_INET6 : AF_INET, a.bytes.data(), buf, sizeof buf);
    return QString::fromLatin1(buf);
}

// Interface names come from the kernel but may be set by anyone with the
// right to: shown without control characters.
QString interfaceName(const QByteArray &name)
{
    QString text = QString::fromUtf8(name);
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    return text;
}

} // namespace

TfmAddresses::TfmAddresses(InterfaceSource &interfaces, PublicAddress &publicAddress, std::unique_ptr<NetworkWatch> watch,
                           std::function<void(QWidget *)> openPreferences, QWidget *parent)
    : QWidget(parent, Qt::Window), m_interfaces(interfaces), m_public(publicAddress), m_watch(std::move(watch))
{
    setObjectName(QStringLiteral("fmAddresses"));
    setWindowTitle(tr("Network addresses"));
    new CloseGuard(*this);

    m_list = new QTableWidget(0, 3, this);
    m_list->setObjectName(QStringLiteral("listAddresses"));
    m_list->setHorizontalHeaderLabels({tr("Interface"), tr("Address"), tr("Notes")});
    m_list->setAccessibleName(tr("Addresses"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setShowGrid(false);
    m_list->setWordWrap(false);

    m_status = new QLabel(tr("Click a row or press Ctrl+C to copy its address."), this);
    m_status->setObjectName(QStringLiteral("lbStatus"));
    m_preferences = new QPushButton(tr("&Preferences..."), this);
    m_preferences->setObjectName(QStringLiteral("btPreferences"));
    m_close = new QPushButton(tr("Close"), this);
    m_close->setObjectName(QStringLiteral("btClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_preferences);
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTableWidget::cellClicked, this, [this](int row, int) { copyRow(row); });
    auto *copy = new QShortcut(QKeySequence::Copy, m_list);
    connect(copy, &QShortcut::activated, this, [this] { copyRow(m_list->currentRow()); });
    auto *escape = new QShortcut(QKeySequence::Cancel, this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_preferences, &QPushButton::clicked, this, [this, openPreferences = std::move(openPreferences)] {
        if (openPreferences)
            openPreferences(this);
    });

    m_settle = new VTimer(this);
    m_settle->setInterval(kSettleMs);
    m_settle->setHandler([this] {
        m_settle->stop();
        refresh();
    });
    if (m_watch)
        connect(m_watch.get(), &NetworkWatch::changed, this, [this] {
            if (!m_settle->isActive())
                m_settle->start();
        });
    // An answer changes the two public rows only: they are rewritten in place.
    connect(&m_public, &PublicAddress::changed, this, &TfmAddresses::showPublic);

    refresh();
    m_list->setCurrentCell(0, 0);
    // Every row in sight (up to a screenful of interfaces), wide enough for the
    // longest IPv6 address and a server's name.
    const int rows = std::min(m_list->rowCount() + 1, kShownRows);
    m_list->setMinimumHeight(m_list->horizontalHeader()->height() + rows * m_list->verticalHeader()->defaultSectionSize()
                             + 2 * m_list->frameWidth());
    resize(std::max(sizeHint().width(), fontMetrics().horizontalAdvance(QLatin1Char('m')) * 62), sizeHint().height());
}

TfmAddresses::~TfmAddresses() = default;

void TfmAddresses::addRow(const QString &name, const QString &address, const QString &notes, bool copyable)
{
    const int row = m_list->rowCount();
    m_list->insertRow(row);
    const QString texts[] = {name, address, notes};
    for (int column = 0; column < 3; ++column) {
        auto *item = new QTableWidgetItem(texts[column]);
        item->setData(Qt::UserRole, copyable);
        m_list->setItem(row, column, item);
    }
}

void TfmAddresses::refresh()
{
    const int current = m_list->currentRow();
    m_list->setRowCount(0);

    const InterfaceSnapshot snap = m_interfaces.snapshot();
    QList<const InterfaceAddress *> up;
    for (const InterfaceAddress &a : snap.addresses)
        if (a.up)
            up.append(&a);
    // By interface (the kernel's order), IPv4 before IPv6.
    std::stable_sort(up.begin(), up.end(), [](const InterfaceAddress *x, const InterfaceAddress *y) {
        return std::tie(x->index, x->interfaceName, x->ipv6) < std::tie(y->index, y->interfaceName, y->ipv6);
    });
    for (const InterfaceAddress *a : up) {
        QStringList notes{a->ipv6 ? tr("IPv6") : tr("IPv4")};
        const QByteArray &route = a->ipv6 ? snap.defaultRoute6 : snap.defaultRoute4;
        if (!route.isEmpty() && route == a->interfaceName)
            notes << tr("default route");
        if (a->loopback)
            notes << tr("loopback");
        if (a->ipv6 && ClassifyIpv6(a->bytes) == Ipv6Kind::NeverShown && a->bytes[0] == 0xFE)
            notes << tr("link-local");
        if (a->temporary)
            notes << tr("temporary");
        if (a->deprecated)
            notes << tr("deprecated");
        if (a->tentative)
            notes << tr("tentative");
        addRow(interfaceName(a->interfaceName), addressText(*a), notes.join(QStringLiteral(", ")), true);
    }

    for (int i = 0; i < 2; ++i)
        addRow({}, {}, {}, false);
    m_publicRow = m_list->rowCount() - 2;
    showPublic();
    m_list->resizeColumnsToContents();
    m_widestAddress = 0;
    for (int row = 0; row < m_list->rowCount(); ++row)
        m_widestAddress = std::max(m_widestAddress,
                                   m_list->fontMetrics().horizontalAdvance(m_list->item(row, kAddressColumn)->text()));
    if (current >= 0)
        m_list->setCurrentCell(std::min(current, m_list->rowCount() - 1), 0);
}

void TfmAddresses::showPublic()
{
    for (const AddressFamily f : {AddressFamily::V4, AddressFamily::V6}) {
        const PublicAddress::Family &p = m_public.family(f);
        const int row = m_publicRow + (f == AddressFamily::V4 ? 0 : 1);
        QString address, notes;
        bool copyable = false;
        if (!m_public.enabled()) {
            address = tr("off");
            notes = tr("Turn the lookup on in Preferences.");
        } else if (!p.address.isEmpty()) {
            address = p.address;
            notes = tr("%1 from %2").arg(QLocale().toString(p.answered.time(), QLocale::ShortFormat), p.server);
            copyable = true;
        } else if (!p.error.isEmpty()) {
            address = tr("no answer");
            notes = p.error;
        } else {
            address = tr("asking...");
        }
        const QString texts[] = {f == AddressFamily::V4 ? tr("Public IPv4") : tr("Public IPv6"), address, notes};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem *item = m_list->item(row, column);
            if (item->text() != texts[column])
                item->setText(texts[column]);
            item->setData(Qt::UserRole, copyable);
        }
        // Wider only when a longer address came (measured, not laid out again).
        const int width = m_list->fontMetrics().horizontalAdvance(address);
        if (width > m_widestAddress) {
            m_widestAddress = width;
            m_list->resizeColumnToContents(kAddressColumn);
        }
    }
}

bool TfmAddresses::copyRow(int row)
{
    const QTableWidgetItem *item = row >= 0 ? m_list->item(row, kAddressColumn) : nullptr;
    if (!item || !item->data(Qt::UserRole).toBool())
        return false;
    QGuiApplication::clipboard()->setText(item->text());
    m_status->setText(tr("Copied %1.").arg(item->text()));
    return true;
}

} // namespace vantrel
