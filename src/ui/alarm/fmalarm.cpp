// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/alarm/fmalarm.h"

#include "monitor/appstate.h"
#include "monitor/settings.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "ui/alarm/alarm.h"
#include "ui/platform/desktop/filedialogs.h"
#include "ui/platform/formlayout.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

#include <algorithm>
#include <limits>

namespace vantrel {

namespace {

constexpr int kClientWidth = 261;
constexpr int kClientHeight = 175;
constexpr int kTemplateMaxLength = 255;

// A decimal 32-bit integer with an optional sign, nothing else.
bool parseInt32(const QString &text, std::int32_t *value)
{
    static const QRegularExpression shape(QStringLiteral("^[+-]?[0-9]+$"));
    if (!shape.match(text).hasMatch())
        return false;
    bool ok = false;
    const qlonglong v = text.toLongLong(&ok);
    if (!ok || v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return false;
    *value = static_cast<std::int32_t>(v);
    return true;
}

QFont boldened(QFont font)
{
    font.setBold(true);
    return font;
}

} // namespace

TfmAlarm::TfmAlarm(AppState &state, Platform &platform, OnlineAlarm &alarm, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_state(state), m_platform(platform),
      m_alarm(alarm)
{
    setObjectName(QStringLiteral("fmAlarm"));
    setWindowTitle(tr("Configure Vantrel Alarm"));
    m_ownFileDialogs = std::make_unique<QtFileDialogs>();
    m_fileDialogs = m_ownFileDialogs.get();

    buildControls();
    FormCreate();
    CentreOnScreen(*this);
}

TfmAlarm::~TfmAlarm() = default;

void TfmAlarm::setFileDialogs(FileDialogs *dialogs)
{
    m_fileDialogs = dialogs ? dialogs : m_ownFileDialogs.get();
}

void TfmAlarm::buildControls()
{
    // Made in tab order: the panel's controls, then "Enable Alarm", then OK.
    Panel1 = Designed(new QFrame(this), {6, 26, 249, 118});
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Box); // a sunken box: lowered outside, raised inside
    Panel1->setFrameShadow(QFrame::Sunken);

    // The first row reads as a sentence: "set [once] at [n] minutes".
    // Each label keeps a gap before the control it leads to, however long it grows.
    Label2 = MakeLabel(tr("set"), Panel1, QStringLiteral("Label2"), {10, 9, 16, 21});
    edSet = Designed(new QComboBox(Panel1), {30, 9, 60, 21});
    edSet->setObjectName(QStringLiteral("edSet"));
    edSet->addItems({tr("once"), tr("every")});
    FitToItems(*edSet);
    // On Linux a screen reader names a drop-down list by its label, not by
    // its own name (which Qt gives as its value): "set" stands before it and
    // is read as what the list chooses.
    Label2->setBuddy(edSet);
    Label2->setAccessibleName(tr("Repeat"));
    edSet->setAccessibleName(tr("Repeat"));
    Label1 = MakeLabel(tr("at"), Panel1, QStringLiteral("Label1"), {96, 9, 12, 21});
    // Hidden for "every", where it leaves its place empty.
    QSizePolicy keepPlace = Label1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    Label1->setSizePolicy(keepPlace);
    edSeconds = MakeField(Panel1, QStringLiteral("edSeconds"), {112, 9, 56, 21});
    edSeconds->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    edSeconds->installEventFilter(this);
    Label3 = MakeLabel(tr("minutes"), Panel1, QStringLiteral("Label3"), {174, 9, 60, 21});
    Label3->setBuddy(edSeconds);

    Label4 = MakeLabel(tr("Action:"), Panel1, QStringLiteral("Label4"), {10, 36, 80, 15});
    Label4->setFont(boldened(font()));

    cbSystemBeep = MakeCheckBox(tr("System beep"), Panel1, QStringLiteral("cbSystemBeep"), {14, 53, 120, 17});
    cbPlay = MakeCheckBox(tr("Play sound"), Panel1, QStringLiteral("cbPlay"), {14, 75, 96, 17});
    edFileWave = MakeField(Panel1, QStringLiteral("edFileWave"), {112, 73, 108, 21});
    edFileWave->setAccessibleName(tr("Sound file"));
    edFileWave->installEventFilter(this);
    btWavDialog = Designed(new QToolButton(Panel1), {222, 73, 21, 21});
    btWavDialog->setObjectName(QStringLiteral("btWavDialog"));
    btWavDialog->setText(QStringLiteral("..."));
    // A square beside the field; Qt's own size adds a blank each side of "...".
    btWavDialog->setFixedSize(Scaled(21, font()), Scaled(21, font()));
    btWavDialog->setAccessibleName(tr("Choose a sound file"));
    btWavDialog->setToolTip(tr("Choose a sound file"));
    btWavDialog->setAutoRaise(true);          // flat
    btWavDialog->setFocusPolicy(Qt::NoFocus); // takes no focus, like the labels
    cbBox = MakeCheckBox(tr("Message box"), Panel1, QStringLiteral("cbBox"), {14, 97, 96, 17});
    edBoxDialog = MakeField(Panel1, QStringLiteral("edBoxDialog"), {112, 95, 131, 21});
    edBoxDialog->setAccessibleName(tr("Message text"));

    cbEnable = MakeCheckBox(tr("Enable Alarm"), this, QStringLiteral("cbEnable"), {12, 5, 160, 17});
    cbEnable->setFont(boldened(font()));

    btOK = new FormButton(tr("&OK"), this, QStringLiteral("btOK"), {kClientWidth - 81, 148, 75, 23});
    btOK->setAutoDefault(false); // Enter in a field does not close the window
    btOK->setDefault(false);

    QHBoxLayout *sentence = Row(nullptr, {});
    sentence->addWidget(Label2, 0, kAtLeft);
    sentence->addSpacing(4);
    sentence->addWidget(edSet, 0, kAtLeft);
    sentence->addSpacing(6);
    sentence->addWidget(Label1, 0, kAtLeft);
    sentence->addSpacing(4);
    sentence->addWidget(edSeconds, 0, kAtLeft);
    sentence->addSpacing(6);
    sentence->addWidget(Label3, 0, kAtLeft);
    sentence->addStretch();
    auto *actions = new QGridLayout;
    actions->setHorizontalSpacing(2);
    actions->setVerticalSpacing(1);
    actions->setColumnStretch(1, 1);
    actions->addWidget(cbPlay, 0, 0, kAtLeft);
    QHBoxLayout *wave = Row(nullptr, {}, 2);
    wave->addWidget(edFileWave, 0, Qt::AlignVCenter);
    wave->addWidget(btWavDialog, 0, Qt::AlignVCenter);
    actions->addLayout(wave, 0, 1);
    actions->addWidget(cbBox, 1, 0, kAtLeft);
    actions->addWidget(edBoxDialog, 1, 1, Qt::AlignVCenter);
    QVBoxLayout *checks = Column(nullptr, {4, 0, 0, 0});
    checks->addWidget(cbSystemBeep, 0, kAtLeft);
    checks->addSpacing(3);
    checks->addLayout(actions);
    QVBoxLayout *panel = Column(Panel1, {10, 9, 6, 2});
    panel->addLayout(sentence);
    panel->addSpacing(6);
    panel->addWidget(Label4, 0, kAtLeft);
    panel->addSpacing(2);
    panel->addLayout(checks);
    panel->addStretch();

    QVBoxLayout *window = Column(this, {6, 5, 6, 4});
    QHBoxLayout *enable = Row(nullptr, {6, 0, 0, 0});
    enable->addWidget(cbEnable, 0, kAtLeft);
    enable->addStretch();
    window->addLayout(enable);
    window->addSpacing(4);
    window->addWidget(Panel1);
    window->addSpacing(4);
    QHBoxLayout *ok = Row(nullptr, {});
    ok->addStretch();
    ok->addWidget(btOK);
    window->addLayout(ok);
    FixWindowToLayout(*this, *window, {kClientWidth, kClientHeight});

    QWidget::setTabOrder(edSet, edSeconds);
    QWidget::setTabOrder(edSeconds, cbSystemBeep);
    QWidget::setTabOrder(cbSystemBeep, cbPlay);
    QWidget::setTabOrder(cbPlay, cbBox);
    QWidget::setTabOrder(cbBox, edFileWave);
    QWidget::setTabOrder(edFileWave, edBoxDialog);
    QWidget::setTabOrder(edBoxDialog, cbEnable);
    QWidget::setTabOrder(cbEnable, btOK);

    // Setting a check box from code runs its handler as a click does, hence toggled.
    connect(cbEnable, &QCheckBox::toggled, this, &TfmAlarm::cbEnableClick);
    connect(edSet, &QComboBox::activated, this, &TfmAlarm::edSetChange); // the user's choice only
    connect(edSeconds, &QLineEdit::textChanged, this, &TfmAlarm::edSecondsChange);
    connect(cbSystemBeep, &QCheckBox::toggled, this, &TfmAlarm::cbSystemBeepClick);
    connect(cbPlay, &QCheckBox::toggled, this, &TfmAlarm::cbPlayClick);
    connect(btWavDialog, &QToolButton::clicked, this, &TfmAlarm::btWavDialogClick);
    connect(cbBox, &QCheckBox::toggled, this, &TfmAlarm::cbBoxClick);
    connect(edBoxDialog, &QLineEdit::textChanged, this, &TfmAlarm::edBoxDialogChange);
    connect(btOK, &QPushButton::clicked, this, &TfmAlarm::btOKClick);
}

void TfmAlarm::FormCreate()
{
    const AppSettings &s = m_state.AppSettings;

    cbEnable->setChecked(s.Alarm);

    // Any value but 0 repeats, so it is shown as "every"; Set itself keeps its
    // value until the user picks an item.
    edSet->setCurrentIndex(s.Set == 0 ? 0 : 1);

    // Counts as an edit: the handler runs and restarts a running alarm period.
    edSeconds->setText(QString::number(s.Interval));

    edFileWave->setText(s.Wave);
    edFileWave->setCursorPosition(0); // show the start of a long text, not its end

    if (s.Sound == 1)
        cbSystemBeep->setChecked(true);
    else if (s.Sound == 2)
        cbPlay->setChecked(true);

    // 255 characters for the user, but a longer template stored by other means
    // is shown whole rather than cut, which would lose its end at OK (up to
    // the largest length a line edit takes: converted bare, a longer one
    // would turn negative).
    edBoxDialog->setMaxLength(
        int(std::clamp<qsizetype>(s.Message.size(), kTemplateMaxLength, std::numeric_limits<int>::max())));
    edBoxDialog->setText(s.Message); // an empty one is replaced by its handler
    edBoxDialog->setCursorPosition(0);

    cbBox->setChecked(s.Box);

    applyEnablingRules();
}

void TfmAlarm::applyEnablingRules()
{
    cbPlay->setEnabled(!cbSystemBeep->isChecked());
    cbSystemBeep->setEnabled(!cbPlay->isChecked());
    edFileWave->setEnabled(cbPlay->isChecked());
    btWavDialog->setEnabled(cbPlay->isChecked());
    edBoxDialog->setEnabled(cbBox->isChecked());
    Label1->setVisible(edSet->currentIndex() == 0);
}

void TfmAlarm::cbEnableClick()
{
    m_state.AppSettings.Alarm = cbEnable->isChecked();
}

void TfmAlarm::edSetChange()
{
    const int index = edSet->currentIndex();
    if (index >= 0)
        m_state.AppSettings.Set = static_cast<std::uint8_t>(index);
    Label1->setVisible(index == 0);
}

void TfmAlarm::edSecondsChange()
{
    const QString text = edSeconds->text();
    if (!text.isEmpty()) {
        std::int32_t minutes = 0;
        if (!parseInt32(text, &minutes)) {
            // Interval and the running period stay as they are. Reported here
            // rather than thrown: an exception must not unwind through the
            // signal that called this handler.
            if (m_platform.boxes)
                ReportError(*m_platform.boxes, tr("'%1' is not a valid integer value").arg(text));
            return;
        }
        m_state.AppSettings.Interval = minutes;
    }
    m_alarm.SetAlarmPeriod();
}

void TfmAlarm::cbSystemBeepClick()
{
    const bool on = cbSystemBeep->isChecked();
    m_state.AppSettings.Sound = on ? 1 : 0;
    cbPlay->setEnabled(!on);
}

void TfmAlarm::cbPlayClick()
{
    const bool on = cbPlay->isChecked();
    m_state.AppSettings.Sound = on ? 2 : 0;
    cbSystemBeep->setEnabled(!on);
    edFileWave->setEnabled(on);
    btWavDialog->setEnabled(on);
}

bool TfmAlarm::edFileWaveExit()
{
    m_waveCheckPending = false;
    const QString name = edFileWave->text();
    if (!name.isEmpty() && QFileInfo(name).isFile()) {
        m_state.AppSettings.Wave = name;
        m_alarm.ReloadWavePlayer(); // reports a file it cannot play; Wave keeps the name
        return true;
    }
    cbPlay->setFocus(Qt::OtherFocusReason);
    if (m_platform.boxes)
        m_platform.boxes->error(tr("  File not found.  "), true);
    return false;
}

void TfmAlarm::btWavDialogClick()
{
    FileDialogs::OpenRequest request;
    request.title = tr("Choose a sound file");
    request.folder = m_state.ProgramFolder;
    request.filter = tr("Wave files (*.wav)");
    request.defaultSuffix = QStringLiteral("wav");
    request.setAsideTopMost = true;
    m_fileDialogs->openFile(this, request, [this](const QString &path) {
        edFileWave->setText(path);
        edFileWaveExit();
    });
}

void TfmAlarm::cbBoxClick()
{
    const bool on = cbBox->isChecked();
    m_state.AppSettings.Box = on;
    edBoxDialog->setEnabled(on);
}

void TfmAlarm::edBoxDialogChange()
{
    const QString text = edBoxDialog->text();
    if (!text.isEmpty()) {
        m_state.AppSettings.Message = text;
        return;
    }
    // The field is never left empty; setting it runs this handler again, which stores it.
    edBoxDialog->setText(settings_text::kMessageWrongType);
}

void TfmAlarm::btOKClick()
{
    // Pressing OK takes the focus from the wave field; a file that is not found
    // keeps the window open, as the move of the focus does not happen either.
    if (m_waveCheckPending && !edFileWaveExit())
        return;
    storeSettings();
    accept();
}

void TfmAlarm::storeSettings()
{
    if (m_platform.registry && m_platform.boxes)
        m_state.SettingsStore.storeAlarm(*m_platform.registry, *m_platform.boxes, m_state.AppSettings);
}

bool TfmAlarm::acceptMinutesKey(const QKeyEvent *key) const
{
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab: // moves the focus; no character reaches the field
    case Qt::Key_Backtab:
    case Qt::Key_Delete: // a key, not a character
        return true;
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return true; // cursor and other keys without a character
    return text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')
           && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool TfmAlarm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edSeconds && event->type() == QEvent::KeyPress) {
        // Digits and backspace only; every other character, control characters
        // such as the paste shortcut included, is dropped.
        if (!acceptMinutesKey(static_cast<QKeyEvent *>(event)))
            return true;
    } else if (watched == edFileWave && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        // Only a move of the focus to another control of this window counts as
        // leaving the field, not a switch to another window or a context menu.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // Checked once the click that moved the focus is over, so that a
            // message box does not interrupt the press of the control clicked.
            m_waveCheckPending = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_waveCheckPending)
                        edFileWaveExit();
                },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfmAlarm::keyPressEvent(QKeyEvent *event)
{
    // No cancel: Escape does not close the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfmAlarm::closeEvent(QCloseEvent *event)
{
    // The window has no close box, but a window manager may still offer one (or
    // Alt+F4). The changes are live already; closing that way keeps them as OK does.
    if (m_waveCheckPending && !edFileWaveExit()) {
        event->ignore();
        return;
    }
    storeSettings();
    QDialog::closeEvent(event);
}

} // namespace vantrel
