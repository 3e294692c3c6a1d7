// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/dialer/fmcnx.h"

#include "dialer/dialer.h"
#include "monitor/appstate.h"
#include "platform/messageboxes.h"
#include "platform/ras/ras.h"
#include "ui/dialer/cnxicons.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/platform/formlayout.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <cstring>
#include <functional>
#include <optional>
#include <vector>

namespace vantrel {

using namespace cnx_text;

namespace {

constexpr int kClientWidth = 459;
constexpr int kClientHeight = 240;
constexpr int kRowHeight = 17;
constexpr int kListWidth = 172;
constexpr int kEnumRoom = 100; // entry records the phonebook listing has room for
constexpr int kNumberFieldDigits = 4;

QString cutName(const QString &name)
{
    QString cut = name.left(kCycleEntryMaxLength);
    if (cut.size() == kCycleEntryMaxLength && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

// Where a row's text begins: after its picture, which stands 2 px in for the
// header row and 16 px for entries, and 4 px more.
int rowTextX(int row)
{
    return (row == 0 ? 2 : 16) + kCnxIconSize + 4;
}

// Rows are 17 px high, or as high as a line of the font needs.
int rowHeight(const QFontMetrics &metrics)
{
    return std::max(kRowHeight, metrics.height() + 1);
}

// Draws each row of listCnx: the row's picture at the row's top edge (2 px in
// for the header row, 16 px for entries) and the text 4 px after it.
class EntryRowDelegate final : public QStyledItemDelegate {
public:
    // `icons`: the window's row images (ListaIcone), which rowImage() indexes.
    EntryRowDelegate(TfmCnx *window, QList<QPixmap> icons)
        : QStyledItemDelegate(window), m_window(window), m_icons(std::move(icons))
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        // The header row is a disabled item only to keep it out of the keyboard's
        // way; it reads as plainly as the entries while the list is enabled.
        const bool enabled = index.row() == 0 ? (!option.widget || option.widget->isEnabled())
                                              : bool(option.state & QStyle::State_Enabled);
        const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
        painter->save();
        painter->fillRect(r, option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base));
        const int row = index.row();
        const int imageX = row == 0 ? 2 : 16;
        const int image = m_window->rowImage(row);
        if (image >= 0)
            painter->drawPixmap(r.left() + imageX, r.top(), m_icons.at(image));
        const int textX = r.left() + rowTextX(row);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QRect(textX, r.top(), r.right() - textX, r.height()),
                          Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, index.data().toString());
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            QStyle *style = option.widget ? option.widget->style() : nullptr;
            if (style)
                style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
        }
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), rowHeight(option.fontMetrics)};
    }

private:
    TfmCnx *m_window;
    QList<QPixmap> m_icons;
};

// listCnx: row 0 is a heading. It is never selected and never current, so the
// arrow keys, Home, End, the page keys, typing a name's first letters and the
// first Tab into the list all reach entries only. A click on it still runs the
// window's header handling (no row selected, the fields emptied).
class EntryList final : public QListWidget {
public:
    using QListWidget::QListWidget;

    std::function<void()> headerClicked;

    // As wide as its design, or as its widest row needs up to twice that (a
    // longer entry name scrolls).
    QSize sizeHint() const override
    {
        int widest = 0;
        for (int row = 0; row < count(); ++row)
            widest = std::max(widest, rowTextX(row) + fontMetrics().horizontalAdvance(item(row)->text()));
        const int chrome = 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 4;
        const int design = Scaled(kListWidth, font());
        // As tall as the panel beside it.
        return {std::clamp(widest + chrome, design, 2 * design), minimumHeight()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex target = QListWidget::moveCursor(action, modifiers);
        if (target.isValid() && target.row() == 0)
            return count() > 1 ? model()->index(1, 0) : QModelIndex();
        return target;
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        const QModelIndex hit = indexAt(event->position().toPoint());
        if (hit.isValid() && hit.row() == 0) {
            event->accept();
            if (headerClicked)
                headerClicked();
            return;
        }
        QListWidget::mousePressEvent(event);
    }
};

QPushButton *button(QWidget *parent, const char *name, const QString &text, QRect design)
{
    auto *b = new FormButton(text, parent, QLatin1String(name), design);
    b->setAutoDefault(false);
    return b;
}

QLineEdit *numberField(QWidget *parent, const char *name, QRect design)
{
    QLineEdit *e = MakeField(parent, QLatin1String(name), design);
    e->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    e->setMaxLength(kNumberFieldDigits);
    // Digits only, typed or pasted: anything else is refused as it comes.
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    return e;
}

QLineEdit *credentialField(QWidget *parent, const char *name, int y)
{
    QLineEdit *e = MakeField(parent, QLatin1String(name), {72, y, 185, 20});
    e->setReadOnly(true);
    e->setEnabled(false);
    e->setFocusPolicy(Qt::NoFocus);
    return e;
}

// The selected entry's name, centred in the panel's width: a name longer than
// that is shortened in its middle, and the tooltip shows it whole.
class EntryNameLabel final : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const QRect r = contentsRect();
        if (fontMetrics().horizontalAdvance(text()) <= r.width()) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        painter.drawText(r, Qt::AlignCenter, fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width()));
    }
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ToolTip && fontMetrics().horizontalAdvance(text()) > contentsRect().width()) {
            QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), text(), this);
            return true;
        }
        return QLabel::event(e);
    }
};

// A number the window wrote into one of its own fields (digits only, at most
// the field's length); other text keeps the setting as it is.
std::optional<std::int32_t> fieldNumber(const QString &text)
{
    bool ok = false;
    const std::int32_t n = text.toInt(&ok);
    return ok && n >= 0 ? std::optional<std::int32_t>(n) : std::nullopt;
}

} // namespace

TfmCnx::TfmCnx(AppState &state, Platform &platform, TfmVantrel &fmVantrel, QWidget *parent)
    // A dialog frame without title-bar buttons: OK is the way out.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state), m_platform(platform),
      m_fm(fmVantrel)
{
    setObjectName(QStringLiteral("fmCnx"));
    setWindowTitle(tr("Advanced Vantrel Configuration"));
    ListaIcone = ConnectionListIcons();

    cbCnx = MakeCheckBox(tr("Enable RAS Connection"), this, QStringLiteral("cbCnx"), {8, 6, 200, 17});

    auto *entryList = Designed(new EntryList(this), {8, 26, kListWidth, 150});
    entryList->headerClicked = [this] { headerRowClick(); };
    listCnx = entryList;
    listCnx->setAccessibleName(cnx_text::translated(kHeaderRow));
    listCnx->setObjectName(QStringLiteral("listCnx"));
    listCnx->setSelectionMode(QAbstractItemView::SingleSelection);
    listCnx->setUniformItemSizes(true);
    listCnx->setItemDelegate(new EntryRowDelegate(this, ListaIcone));
    listCnx->setToolTip(tr("Double Click on an item to add or remove"));

    Panel1 = Designed(new QFrame(this), {186, 26, 265, 150});
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);
    Panel1->setLineWidth(2);
    Label1 = MakeLabel(tr("Selected connection:"), Panel1, QStringLiteral("Label1"), {6, 6, 116, 13});
    lbCnx = Designed(new EntryNameLabel(Panel1), {6, 21, 253, 16});
    lbCnx->setObjectName(QStringLiteral("lbCnx"));
    lbCnx->setAlignment(Qt::AlignCenter);
    lbCnx->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // the panel's width, whatever the name
    QFont bold = font();
    bold.setBold(true);
    lbCnx->setFont(bold);
    Label3 = MakeLabel(tr("Username:"), Panel1, QStringLiteral("Label3"), {6, 41, 60, 20});
    edUser = credentialField(Panel1, "edUser", 41);
    Label3->setBuddy(edUser);
    Label4 = MakeLabel(tr("Password:"), Panel1, QStringLiteral("Label4"), {6, 64, 60, 20});
    edPass = credentialField(Panel1, "edPass", 64);
    Label4->setBuddy(edPass);
    edPass->setEchoMode(QLineEdit::Password);
    edPass->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    cxAsk = MakeCheckBox(tr("Ask me for Username and Password "), Panel1, QStringLiteral("cxAsk"), {6, 128, 253, 17});
    Note = Designed(new QPlainTextEdit(Panel1), {4, 88, 257, 40});
    Note->setObjectName(QStringLiteral("Note"));
    Note->setAccessibleName(tr("Note"));
    // A little smaller than the window's font, as in the design, where the
    // note's three lines fill the panel's width.
    QFont noteFont = font();
    noteFont.setPointSizeF(noteFont.pointSizeF() > 0 ? noteFont.pointSizeF() * 10 / 11 : 10.0 * 72 / 96);
    Note->setFont(noteFont);
    Note->setReadOnly(true);
    Note->setFrameShape(QFrame::NoFrame);
    Note->setFocusPolicy(Qt::NoFocus);
    Note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Note->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Note->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Note->document()->setDocumentMargin(2);
    QPalette notePalette = Note->palette();
    notePalette.setColor(QPalette::Base, palette().color(QPalette::Window));
    Note->setPalette(notePalette);
    // The memo's lines as one paragraph, wrapped at the note's width.
    Note->setPlainText(tr("NOTE: If you have not saved an Username and a\n"
                          "Password in your RAS connection, you must check \n"
                          "the following box.")
                           .simplified());
    FitTextHeight(*Note, Scaled(253, font()), 40);

    // The redial controls read as one line; each follows the width of the text
    // before it.
    cxRedial = MakeCheckBox(tr("If busy, wait "), this, QStringLiteral("cxRedial"), {8, 186, 96, 17});
    edWait = numberField(this, "edWait", {106, 184, 36, 20});
    Label5 = MakeLabel(tr("seconds and retry"), this, QStringLiteral("Label5"), {147, 184, 99, 20});
    edRedial = numberField(this, "edRedial", {251, 184, 36, 20});
    // The redial line reads as a sentence around its two fields; each field is
    // named on its own for a screen reader.
    edWait->setAccessibleName(tr("Seconds to wait when busy"));
    edRedial->setAccessibleName(tr("Times to retry"));
    Label6 = MakeLabel(tr("times"), this, QStringLiteral("Label6"), {292, 184, 31, 20});
    btRefresh = button(this, "btRefresh", tr("Re&fresh"), QRect(376, 183, 75, 22));

    Bevel1 = Designed(new QFrame(this), {8, 210, 443, 2});
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    cxCycle = MakeCheckBox(tr("Cycle"), this, QStringLiteral("cxCycle"), {8, 219, 60, 17});
    btAddCycle = button(this, "btAddCycle", cnx_text::translated(kAddToCycle), QRect(74, 216, 190, 22));
    static_cast<FormButton *>(btAddCycle)->setOtherCaptions({cnx_text::translated(kRemoveFromCycle)});
    btClose = button(this, "btClose", tr("&OK"), QRect(376, 216, 75, 22));

    QVBoxLayout *panel = Column(Panel1, {6, 6, 6, 5});
    panel->addWidget(Label1, 0, kAtLeft);
    panel->addSpacing(2);
    panel->addWidget(lbCnx);
    panel->addSpacing(4);
    auto *credentials = new QGridLayout;
    credentials->setHorizontalSpacing(6);
    credentials->setVerticalSpacing(3);
    credentials->setColumnStretch(1, 1);
    credentials->addWidget(Label3, 0, 0, kAtLeft);
    credentials->addWidget(edUser, 0, 1);
    credentials->addWidget(Label4, 1, 0, kAtLeft);
    credentials->addWidget(edPass, 1, 1);
    panel->addLayout(credentials);
    panel->addSpacing(4);
    panel->addWidget(Note);
    panel->addWidget(cxAsk, 0, kAtLeft);
    panel->addStretch();
    QHBoxLayout *entries = Row(nullptr, {}, 6);
    entries->addWidget(listCnx);
    entries->addWidget(Panel1);
    QHBoxLayout *redial = Row(nullptr, {});
    redial->addWidget(cxRedial, 0, kAtLeft);
    redial->addSpacing(2);
    redial->addWidget(edWait, 0, kAtLeft);
    redial->addSpacing(5);
    redial->addWidget(Label5, 0, kAtLeft);
    redial->addSpacing(5);
    redial->addWidget(edRedial, 0, kAtLeft);
    redial->addSpacing(5);
    redial->addWidget(Label6, 0, kAtLeft);
    redial->addStretch();
    redial->addSpacing(6);
    redial->addWidget(btRefresh);
    QHBoxLayout *cycle = Row(nullptr, {});
    cycle->addWidget(cxCycle, 0, kAtLeft);
    cycle->addSpacing(6);
    cycle->addWidget(btAddCycle);
    cycle->addStretch();
    cycle->addSpacing(6);
    cycle->addWidget(btClose);
    QVBoxLayout *window = Column(this, {8, 6, 8, 2});
    window->addWidget(cbCnx, 0, kAtLeft);
    window->addSpacing(3);
    window->addLayout(entries);
    window->addSpacing(7);
    window->addLayout(redial);
    window->addSpacing(5);
    window->addWidget(Bevel1);
    window->addSpacing(4);
    window->addLayout(cycle);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    setTabOrder(cbCnx, listCnx);
    setTabOrder(listCnx, cxAsk);
    setTabOrder(cxAsk, cxRedial);
    setTabOrder(cxRedial, edWait);
    setTabOrder(edWait, edRedial);
    setTabOrder(edRedial, cxCycle);
    setTabOrder(cxCycle, btAddCycle);
    setTabOrder(btAddCycle, btRefresh);
    setTabOrder(btRefresh, btClose);

    // Setting a check box from code runs its handler as a click does: toggled.
    connect(cbCnx, &QCheckBox::toggled, this, [this] { cbCnxClick(); });
    connect(cxAsk, &QCheckBox::toggled, this, [this] { cxAskClick(); });
    connect(cxRedial, &QCheckBox::toggled, this, [this] { cxRedialClick(); });
    connect(cxCycle, &QCheckBox::toggled, this, [this] { cxCycleClick(); });
    connect(edRedial, &QLineEdit::textChanged, this, [this] { edRedialChange(); });
    connect(edWait, &QLineEdit::textChanged, this, [this] { edWaitChange(); });
    // The selection, not the current row, is the user's choice: the first Tab
    // into the list makes an entry current without choosing it.
    connect(listCnx, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_selecting)
            listCnxClick();
    });
    connect(listCnx, &QListWidget::itemDoubleClicked, this, [this] { btAddCycleClick(); });
    connect(btRefresh, &QPushButton::clicked, this, &TfmCnx::btRefreshClick);
    connect(btAddCycle, &QPushButton::clicked, this, &TfmCnx::btAddCycleClick);
    connect(btClose, &QPushButton::clicked, this, &TfmCnx::btCloseClick);

    cxCycle->setEnabled(false);
    FormCreate();
    CentreOnScreen(*this);
}

TfmCnx::~TfmCnx()
{
    edPass->clear();
}

void TfmCnx::FormCreate()
{
    AppSettings &s = m_state.AppSettings;
    SelectedRow = -1;
    if (CycleLengthOf(s.Cycled) > 1) {
        cxCycle->setChecked(true);
        btAddCycle->setEnabled(true);
        CycleCount = CycleLengthOf(s.Cycled);
        listCnx->setEnabled(true);
        Panel1->setEnabled(true);
    } else {
        cxCycle->setChecked(false);
        btAddCycle->setEnabled(false);
        CycleCount = 0;
        const bool enable = !s.RASCnx.isEmpty();
        listCnx->setEnabled(enable);
        Panel1->setEnabled(enable);
        if (!enable) {
            lbCnx->clear();
            edUser->clear();
            edPass->clear();
        }
    }
    cxAsk->setChecked(s.Ask);
    if (s.Redial < 1) {
        cxRedial->setChecked(false);
        edRedial->clear();
        edWait->clear();
    } else {
        const std::int32_t wait = s.Wait;
        cxRedial->setChecked(true);
        // A longer number stored by other means is shown whole, not cut.
        const QString redial = QString::number(s.Redial);
        edRedial->setMaxLength(std::max<int>(kNumberFieldDigits, int(redial.size())));
        edRedial->setText(redial);
        if (wait >= 1) {
            const QString waitText = QString::number(wait);
            edWait->setMaxLength(std::max<int>(kNumberFieldDigits, int(waitText.size())));
            edWait->setText(waitText);
        }
    }
}

void TfmCnx::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfmCnx::FormShow()
{
    AppSettings &s = m_state.AppSettings;
    if (FillEntryList()) {
        const qsizetype comma = s.RASCnx.indexOf(u',');
        if (comma < 0) {
            lbCnx->setText(s.RASCnx == kMultiple ? cnx_text::translated(kMultipleShown) : s.RASCnx);
        } else {
            // A row number that names no entry row (the phonebook changed since)
            // selects nothing rather than a row the number never meant.
            bool ok = false;
            const int row = s.RASCnx.left(comma).toInt(&ok);
            if (ok && row >= 1 && row < listCnx->count() && !m_emptyPhonebook) {
                selectRow(row);
                SelectedRow = row;
                lbCnx->setText(listCnx->item(row)->text());
                ShowEntryCredentials();
            }
        }
    }
    if (!s.Cycled.isEmpty() || !s.RASCnx.isEmpty())
        cbCnx->setChecked(true);
    updateAddCycle();
    // The list is as wide as its rows: the window takes its size before it is
    // mapped.
    CentreOnScreen(*this);
}

bool TfmCnx::FillEntryList()
{
    AppSettings &s = m_state.AppSettings;
    listCnx->clear();
    listCnx->addItem(cnx_text::translated(kHeaderRow));
    // Neither selectable nor enabled: the keyboard search and the views' own
    // navigation pass over it (EntryList keeps the rest off it).
    listCnx->item(0)->setFlags(Qt::NoItemFlags);
    m_emptyPhonebook = false;
    // Whatever it lists, its width follows (see EntryList::sizeHint).
    const auto widthFollows = qScopeGuard([this] { listCnx->updateGeometry(); });

    std::vector<RASENTRYNAMEA> entries(kEnumRoom);
    entries.front().dwSize = sizeof(RASENTRYNAMEA);
    DWORD bytes = sizeof(RASENTRYNAMEA) * kEnumRoom;
    DWORD count = 0;
    if (m_platform.ras->RasEnumEntriesA(nullptr, nullptr, entries.data(), &bytes, &count) != 0) {
        m_platform.boxes->error(cnx_text::translated(kCannotList));
        return false;
    }
    if (count > 0) {
        for (DWORD i = 0; i < count && i < DWORD(kEnumRoom); ++i) {
            const char *name = entries[i].szEntryName;
            listCnx->addItem(QString::fromUtf8(name, qsizetype(strnlen(name, sizeof entries[i].szEntryName))));
        }
        return true;
    }
    listCnx->addItem(cnx_text::translated(kEmptyRow));
    m_emptyPhonebook = true;
    s.RASCnx.clear();
    CycleCount = 0;
    s.Cycled.clear();
    edUser->clear();
    edPass->clear();
    for (QString &slot : s.CycleEntries)
        slot.clear();
    return false;
}

void TfmCnx::ShowEntryCredentials()
{
    RASDIALPARAMSA &params = m_entryParams;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof(RASDIALPARAMSA);
    const QByteArray name = selectedText().toUtf8();
    std::memcpy(params.szEntryName, name.constData(),
                std::min<std::size_t>(std::size_t(name.size()), sizeof params.szEntryName - 1));
    int saved = 0;
    if (const DWORD rc = m_platform.ras->RasGetEntryDialParamsA(nullptr, &params, &saved)) {
        m_platform.boxes->error(RasStatusText(*m_platform.ras, 0, rc));
        return;
    }
    edUser->setText(QString::fromUtf8(params.szUserName, qsizetype(strnlen(params.szUserName, sizeof params.szUserName))));
    edPass->setText(
        saved ? QString::fromUtf8(params.szPassword, qsizetype(strnlen(params.szPassword, sizeof params.szPassword)))
              : QString());
    // The window only shows the stored password (masked); it keeps no other copy.
    explicit_bzero(params.szPassword, sizeof params.szPassword);
}

void TfmCnx::selectRow(int row)
{
    m_selecting = true;
    if (row >= 0 && row < listCnx->count()) {
        listCnx->setCurrentRow(row);
    } else {
        listCnx->setCurrentRow(-1);
        listCnx->clearSelection();
    }
    m_selecting = false;
}

QString TfmCnx::selectedText() const
{
    if (SelectedRow < 1 || SelectedRow >= listCnx->count())
        return {};
    return listCnx->item(SelectedRow)->text();
}

int TfmCnx::cycleSlotOf(const QString &text) const
{
    const auto &cycle = m_state.AppSettings.CycleEntries;
    for (int k = 0; k < CycleCount && k < kCycleSlots; ++k)
        if (cycle.at(std::size_t(k)) == text)
            return k;
    return -1;
}

int TfmCnx::rowImage(int row) const
{
    if (row == 0)
        return 0;
    if (m_emptyPhonebook || row < 0 || row >= listCnx->count())
        return -1;
    const int slot = cycleSlotOf(listCnx->item(row)->text());
    return slot < 0 ? 1 : slot + 2;
}

void TfmCnx::updateAddCycle()
{
    const bool selected = SelectedRow >= 1 && SelectedRow < listCnx->count();
    btAddCycle->setText(selected && cycleSlotOf(selectedText()) >= 0 ? cnx_text::translated(kRemoveFromCycle)
                                                                     : cnx_text::translated(kAddToCycle));
    btAddCycle->setEnabled(cxCycle->isChecked() && selected);
}

void TfmCnx::clearCycle()
{
    AppSettings &s = m_state.AppSettings;
    s.Cycled.clear();
    CycleCount = 0;
    for (QString &slot : s.CycleEntries)
        slot.clear();
}

void TfmCnx::cbCnxClick()
{
    AppSettings &s = m_state.AppSettings;
    if (cbCnx->isChecked()) {
        if (m_emptyPhonebook) {
            m_platform.boxes->error(cnx_text::translated(kNoEntries));
            cbCnx->setChecked(false);
            return;
        }
        // An unreadable phonebook (only the header row) is not an empty one:
        // the settings stay as they are, and Refresh may list the entries.
        listCnx->setEnabled(true);
        selectRow(SelectedRow);
        cxCycle->setEnabled(true);
        Panel1->setEnabled(true);
        updateAddCycle();
        return;
    }
    cxCycle->setChecked(false);
    cxCycle->setEnabled(false);
    selectRow(-1);
    SelectedRow = -1;
    listCnx->setEnabled(false);
    Panel1->setEnabled(false);
    lbCnx->clear();
    edUser->clear();
    edPass->clear();
    edRedial->clear();
    edWait->clear();
    s.Redial = 0;
    s.Wait = 0;
    s.RASCnx.clear();
    clearCycle();
    listCnx->viewport()->update();
    updateAddCycle();
}

void TfmCnx::headerRowClick()
{
    selectRow(-1);
    listCnxClick();
}

void TfmCnx::listCnxClick()
{
    const QList<QListWidgetItem *> chosen = listCnx->selectedItems();
    SelectedRow = chosen.isEmpty() ? -1 : listCnx->row(chosen.front());
    if (SelectedRow >= 1) {
        lbCnx->setText(listCnx->item(SelectedRow)->text());
        ShowEntryCredentials();
    } else {
        selectRow(-1);
        SelectedRow = -1;
        lbCnx->clear();
        edUser->clear();
        edPass->clear();
    }
    updateAddCycle();
}

void TfmCnx::btRefreshClick()
{
    if (FillEntryList())
        selectRow(SelectedRow);
    else
        selectRow(-1);
    updateAddCycle();
}

void TfmCnx::cxAskClick()
{
    m_state.AppSettings.Ask = cxAsk->isChecked();
}

void TfmCnx::cxRedialClick()
{
    if (!cxRedial->isChecked()) {
        edRedial->clear();
        edWait->clear();
        m_state.AppSettings.Redial = 0;
        m_state.AppSettings.Wait = 0;
        edRedial->setEnabled(false);
        edWait->setEnabled(false);
    } else {
        edRedial->setEnabled(true);
        edWait->setEnabled(true);
    }
}

void TfmCnx::edRedialChange()
{
    const QString text = edRedial->text();
    if (text.isEmpty()) {
        m_state.AppSettings.Redial = 1;
    } else if (const auto n = fieldNumber(text)) {
        m_state.AppSettings.Redial = *n;
    }
}

void TfmCnx::edWaitChange()
{
    const QString text = edWait->text();
    if (text.isEmpty()) {
        m_state.AppSettings.Wait = 0;
    } else if (const auto n = fieldNumber(text)) {
        m_state.AppSettings.Wait = *n;
    }
}

void TfmCnx::cxCycleClick()
{
    if (cxCycle->isChecked()) {
        btAddCycle->setEnabled(SelectedRow >= 1);
    } else {
        btAddCycle->setEnabled(false);
        clearCycle();
        listCnx->viewport()->update();
    }
    updateAddCycle();
}

void TfmCnx::btAddCycleClick()
{
    if (SelectedRow < 1 || SelectedRow >= listCnx->count())
        return;
    auto &cycle = m_state.AppSettings.CycleEntries;
    const QString text = selectedText();
    const int slot = cycleSlotOf(text);
    if (slot < 0) {
        if (CycleCount >= kCycleSlots) {
            m_platform.boxes->error(tr("No more than %n Cycled Connections!", nullptr, kCycleSlots));
            return;
        }
        ++CycleCount;
        cycle.at(std::size_t(CycleCount - 1)) = cutName(text);
    } else {
        for (int k = slot; k < CycleCount - 1; ++k)
            cycle.at(std::size_t(k)) = cycle.at(std::size_t(k) + 1);
        cycle.at(std::size_t(CycleCount - 1)).clear();
        --CycleCount;
    }
    listCnx->viewport()->update();
    updateAddCycle();
}

void TfmCnx::btCloseClick()
{
    AppSettings &s = m_state.AppSettings;
    if (CycleCount >= 2)
        s.RASCnx = kMultiple;
    else if (SelectedRow < 1)
        s.RASCnx.clear();
    else
        s.RASCnx = QString::number(SelectedRow) + u',' + lbCnx->text();
    s.Cycled = CycleCount >= 2 ? QString::number(CycleCount) : QString();
    if (!m_state.SettingsStore.storeConnection(*m_platform.registry, *m_platform.boxes, s))
        CycleCount = 0;
    m_fm.UpdateConnectItem(TfmVantrel::ConnectItemMoment::EntriesStored);
    m_closed = true;
    accept();
}

void TfmCnx::keyPressEvent(QKeyEvent *event)
{
    // No cancel: Escape does nothing (QDialog would reject).
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmCnx::reject()
{
    // The window has no close box, but a window manager may still close it.
    // Its changes are live already, so such a close stores them as OK does.
    if (!m_closed)
        btCloseClick();
}

} // namespace vantrel
