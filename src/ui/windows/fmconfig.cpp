// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmconfig.h"

#include "monitor/appstate.h"
#include "monitor/settings.h"
#include "ui/alarm/fmalarm.h"
#include "ui/monitor/fmvantrel.h"
#include "ui/platform/formlayout.h"
#include "ui/platform/modal.h"

#include <QAction>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vantrel {

namespace {

constexpr int kClientWidth = 330;
constexpr int kClientHeight = 236;
constexpr int kDialupItems = 3;
constexpr int kLanItems = 2;

// A few lines of fixed text in the window's colour, where the form has a
// borderless memo: wrapped at its design width (wider at a larger font), as
// tall as its lines need.
QLabel *makeNote(const QString &text, QWidget *parent, const QString &name, const QRect &design)
{
    auto *note = new QLabel(text, parent);
    note->setObjectName(name);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setWordWrap(true);
    SetDesign(note, design);
    note->setMinimumWidth(Scaled(design.width(), note->font()));
    // Its width comes from the panel, never from the length of its text.
    note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return note;
}

// Translated when shown, so that they follow the language installed then.
QStringList actionCaptions()
{
    static const char *const captions[] = {QT_TRANSLATE_NOOP("vantrel::TfmConfig", "Open detail"),
                                           QT_TRANSLATE_NOOP("vantrel::TfmConfig", "Copy IP to Clipboard"),
                                           QT_TRANSLATE_NOOP("vantrel::TfmConfig", "Connect or Disconnect")};
    QStringList shown;
    for (const char *caption : captions)
        shown.append(TfmConfig::tr(caption));
    return shown;
}

} // namespace

TfmConfig::TfmConfig(AppState &state, Platform &platform, TfmVantrel &main, QLabel *configLine, QString programPath,
                     QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state), m_platform(platform),
      m_main(main), m_configLine(configLine), m_programPath(std::move(programPath))
{
    setObjectName(QStringLiteral("fmConfig"));
    setWindowTitle(tr("Configure Vantrel"));
    buildControls();
    FormCreate();
    CentreOnScreen(*this);
}

TfmConfig::~TfmConfig() = default;

void TfmConfig::buildControls()
{
    // Made in tab order; the panel's controls take the panel's place.
    btClose = new FormButton(tr("&OK"), this, QStringLiteral("btClose"), {252, 72, 72, 25});

    Panel1 = Designed(new QFrame(this), {6, 6, 240, 128});
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Box); // lowered outside, raised inside
    Panel1->setFrameShadow(QFrame::Sunken);
    cxDialup = MakeCheckBox(tr("Dialup connection"), Panel1, QStringLiteral("cxDialup"), {8, 4, 200, 17});
    cxLAN = MakeCheckBox(tr("LAN connection"), Panel1, QStringLiteral("cxLAN"), {8, 78, 200, 17});
    // The memo's lines end in a blank; joined, they wrap as a memo's lines do.
    Memo1 = makeNote(tr("Check this box if you have not a fixed IP "
                        "address. In other words, you are using a "
                        "modem connection with Remote Access."),
                     Panel1, QStringLiteral("Memo1"), {26, 21, 208, 54});
    Memo2 = makeNote(tr("Check this box if you have a fixed IP address."), Panel1, QStringLiteral("Memo2"),
                     {26, 95, 208, 28});

    rgAction = Designed(new QGroupBox(tr(" Double Click Action "), this), {6, 138, 240, 74});
    rgAction->setObjectName(QStringLiteral("rgAction"));
    m_actions = new QButtonGroup(this);
    m_actions->setExclusive(true);

    cxAnim = MakeCheckBox(tr("Animated icon"), this, QStringLiteral("cxAnim"), {8, 216, 104, 17});
    cbLog = MakeCheckBox(tr("Log File"), this, QStringLiteral("cbLog"), {122, 216, 80, 17});
    btAdvanced = new FormButton(tr("Advanced..."), this, QStringLiteral("btAdvanced"), {252, 8, 72, 25});
    btAlarm = new FormButton(tr("&Alarm..."), this, QStringLiteral("btAlarm"), {252, 40, 72, 25});
    cbRun = MakeCheckBox(tr("Run at startup"), this, QStringLiteral("cbRun"), {216, 216, 110, 17});

    QVBoxLayout *panel = Column(Panel1, {8, 4, 6, 5});
    panel->addWidget(cxDialup, 0, kAtLeft);
    QHBoxLayout *memo1 = Row(nullptr, {18, 0, 0, 0});
    memo1->addWidget(Memo1);
    panel->addLayout(memo1);
    panel->addSpacing(3);
    panel->addWidget(cxLAN, 0, kAtLeft);
    QHBoxLayout *memo2 = Row(nullptr, {18, 0, 0, 0});
    memo2->addWidget(Memo2);
    panel->addLayout(memo2);
    panel->addStretch();

    m_actionLayout = Column(rgAction, {10, 18, 20, 5});
    m_actionLayout->addStretch();

    QVBoxLayout *left = Column(nullptr, {}, 4);
    left->addWidget(Panel1);
    left->addWidget(rgAction);
    QVBoxLayout *right = Column(nullptr, {0, 2, 0, 0}, 7);
    right->addWidget(btAdvanced);
    right->addWidget(btAlarm);
    right->addWidget(btClose);
    right->addStretch();
    QHBoxLayout *top = Row(nullptr, {0, 0, 2, 0}, 6);
    top->addLayout(left);
    top->addLayout(right);
    QHBoxLayout *bottom = Row(nullptr, {2, 0, 0, 0});
    bottom->addWidget(cxAnim, 0, kAtLeft);
    bottom->addSpacing(10);
    bottom->addWidget(cbLog, 0, kAtLeft);
    bottom->addSpacing(14);
    bottom->addWidget(cbRun, 0, kAtLeft);
    bottom->addStretch();
    QVBoxLayout *window = Column(this, {6, 6, 4, 3}, 4);
    window->addLayout(top);
    window->addLayout(bottom);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    // Setting a check box from code runs its handler as a click does, hence
    // toggled; the action group reacts to the user's click only.
    connect(cxDialup, &QCheckBox::toggled, this, &TfmConfig::cxDialupClick);
    connect(cxLAN, &QCheckBox::toggled, this, &TfmConfig::cxLANClick);
    connect(cxAnim, &QCheckBox::toggled, this, &TfmConfig::cxAnimClick);
    connect(cbLog, &QCheckBox::toggled, this, &TfmConfig::cbLogClick);
    connect(cbRun, &QCheckBox::toggled, this, &TfmConfig::cbRunClick);
    connect(m_actions, &QButtonGroup::idClicked, this, &TfmConfig::rgActionClick);
    connect(btAdvanced, &QPushButton::clicked, this, &TfmConfig::btAdvancedClick);
    connect(btAlarm, &QPushButton::clicked, this, &TfmConfig::btAlarmClick);
    connect(btClose, &QPushButton::clicked, this, &TfmConfig::btCloseClick);
}

void TfmConfig::FormCreate()
{
    AppSettings &s = m_state.AppSettings;
    // The handlers that run here enable or disable the menu's Connect item and,
    // in LAN mode, turn an action that is not there into "Open detail".
    if (s.Conn) {
        cxLAN->setChecked(true);
        btAdvanced->setEnabled(false);
        addAction(actionCaptions()[0]);
        addAction(actionCaptions()[1]);
    } else {
        cxDialup->setChecked(true);
        btAdvanced->setEnabled(true);
        addAction(actionCaptions()[0]);
        addAction(actionCaptions()[1]);
        addAction(actionCaptions()[2]);
    }
    selectAction(s.Def);

    cxAnim->setChecked(s.Anim);
    cbLog->setChecked(s.Log);
    cbRun->setChecked(s.RunAtStartup == 1);
}

int TfmConfig::actionCount() const
{
    return static_cast<int>(m_actionItems.size());
}

int TfmConfig::actionIndex() const
{
    return m_actions->checkedId();
}

void TfmConfig::addAction(const QString &caption)
{
    auto *item = new FormRadioButton(caption, rgAction);
    const int index = actionCount();
    item->setObjectName(QStringLiteral("rgActionItem%1").arg(index));
    item->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    SetDesign(item, {10, 18 + index * 17, 210, 17});
    m_actionLayout->insertWidget(index, item, 0, kAtLeft);
    // Items come and go with the mode; each keeps the group's place in the tab
    // order, after the mode pair.
    QWidget::setTabOrder(m_actionItems.isEmpty() ? static_cast<QWidget *>(cxLAN) : m_actionItems.last(), item);
    m_actions->addButton(item, index);
    m_actionItems.append(item);
}

void TfmConfig::removeThirdAction()
{
    if (actionCount() != kDialupItems)
        return;
    QRadioButton *item = m_actionItems.takeLast();
    m_actions->removeButton(item);
    delete item;
}

void TfmConfig::selectAction(int index)
{
    if (m_actionItems.isEmpty())
        return;
    // Every Def other than 0 and 1 means connect or disconnect (the double click
    // and the menu's default item read it so), which is the last item here.
    if (index != 0 && index != 1)
        index = actionCount() - 1;
    index = qMin(index, actionCount() - 1);
    m_actionItems[index]->setChecked(true);
}

// --- the mode pair: two exclusive choices, one of which is always ticked --------

void TfmConfig::cxDialupClick()
{
    if (cxDialup->isChecked()) {
        cxLAN->setChecked(false);
        btAdvanced->setEnabled(true);
        m_main.UpdateConnectItem(TfmVantrel::ConnectItemMoment::DialUpChosen);
        if (actionCount() == kLanItems)
            addAction(actionCaptions()[2]);
    } else {
        removeThirdAction();
        cxLAN->setChecked(true);
    }
}

void TfmConfig::cxLANClick()
{
    if (cxLAN->isChecked()) {
        cxDialup->setChecked(false);
        btAdvanced->setEnabled(false);
        m_main.UpdateConnectItem(TfmVantrel::ConnectItemMoment::LanChosen);
        removeThirdAction();
        // Connect or disconnect is not offered in LAN mode. Any value other than
        // 0 and 1 means it (not only 2: a hand-edited value would otherwise show
        // one action and run another).
        std::int32_t &def = m_state.AppSettings.Def;
        if (def != 0 && def != 1) {
            def = 0;
            selectAction(0);
        }
    } else {
        cxDialup->setChecked(true);
    }
}

// --- the other controls, effective at once -------------------------------------------

void TfmConfig::cxAnimClick()
{
    m_state.AppSettings.Anim = cxAnim->isChecked();
}

void TfmConfig::rgActionClick(int index)
{
    m_state.AppSettings.Def = index;
}

void TfmConfig::cbLogClick()
{
    m_state.AppSettings.Log = cbLog->isChecked();
}

void TfmConfig::cbRunClick()
{
    m_state.AppSettings.RunAtStartup = cbRun->isChecked() ? 1 : 0;
}

void TfmConfig::btAdvancedClick()
{
    m_main.OpenConnectionEntries(this);
}

void TfmConfig::btAlarmClick()
{
    OpenModal(new TfmAlarm(m_state, m_platform, m_main.alarm(), this));
}

void TfmConfig::btCloseClick()
{
    accept();
}

void TfmConfig::keyPressEvent(QKeyEvent *event)
{
    // There is no cancel: Escape would close the window and store everything,
    // which is not what a user pressing it expects.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmConfig::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        closingSequence();
    }
    QDialog::done(result);
}

void TfmConfig::closingSequence()
{
    AppSettings &s = m_state.AppSettings;
    // The mode, the "Configured as:" line and the default item follow the user's
    // choice even when the settings cannot be stored: the other controls have
    // taken effect already, and a choice that silently half-applies would leave
    // the window saying one thing and the program doing another.
    s.Conn = cxLAN->isChecked();
    if (m_configLine)
        m_configLine->setText(
            config_text::translated(s.Conn ? config_text::kConfiguredLan : config_text::kConfiguredDialup));
    m_main.MakeDefaultItem();
    // Conn, Anim, Def, Log, RunAtStartup, then the Run entry, rewritten or
    // removed at every close.
    if (m_platform.registry)
        m_state.SettingsStore.storeConfiguration(*m_platform.registry, *m_platform.boxes, s, m_programPath);
}

} // namespace vantrel
