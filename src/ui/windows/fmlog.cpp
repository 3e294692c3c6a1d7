// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/windows/fmlog.h"

#include "monitor/appstate.h"
#include "monitor/connectionlog.h"
#include "platform/errorreport.h"
#include "platform/messageboxes.h"
#include "platform/regularfile.h"
#include "ui/platform/closeguard.h"
#include "ui/platform/formlayout.h"
#include "ui/windows/loglines.h"
#include "ui/windows/logview.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

namespace {

// The window's outer size is 535 x 304; this is the inside of a usual frame.
constexpr int kClientWidth = 527;
constexpr int kClientHeight = 277;
constexpr int kPanelWidth = 71;
constexpr int kCharactersPerArrow = 4;

QPushButton *makeButton(const QString &text, QWidget *parent, const QString &name, int row)
{
    return new FormButton(text, parent, name, {8, 8 + row * 32, 57, 25});
}

// The user's home trash, $XDG_DATA_HOME/Trash, made when missing (mode 0700,
// its parents as the base-directory rules say) as the trash rules ask.
//
// QFile::moveToTrash needs it: when neither the home trash nor a trash at the
// top of the file's own file system can be made, Qt 6.4 takes an empty trash
// path for the current folder and moves the file into "files/" there,
// reporting success. With the home trash in place that case cannot arise.
bool HomeTrashReady()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    const QString trash = dataHome + QStringLiteral("/Trash");
    if (!QFileInfo(trash).isDir())
        QDir(dataHome).mkdir(QStringLiteral("Trash"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(trash).isDir();
}

// A delete the user can undo. False when the file stays where it is.
bool MoveToTrash(const QString &path)
{
    return HomeTrashReady() && QFile::moveToTrash(path);
}

} // namespace

TfmLog::TfmLog(AppState &state, MessageBoxes &boxes, QWidget *parent)
    : QWidget(parent, Qt::Window), m_state(state), m_boxes(boxes), m_closeGuard(new CloseGuard(*this))
{
    setObjectName(QStringLiteral("fmLog"));
    setWindowTitle(tr("Vantrel Log"));

    LogMemo = new TLogLines(this);
    LogMemo->setAccessibleName(tr("Connection log"));
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setFocusPolicy(Qt::ClickFocus); // no tab stop

    Panel1 = Designed(new QFrame(this), {kClientWidth - kPanelWidth, 0, kPanelWidth, kClientHeight});
    Panel1->setObjectName(QStringLiteral("Panel1"));
    btRefresh = makeButton(tr("&Refresh"), Panel1, QStringLiteral("btRefresh"), 0);
    btClear = makeButton(tr("&Clear"), Panel1, QStringLiteral("btClear"), 1);
    btClose = makeButton(tr("&OK"), Panel1, QStringLiteral("btClose"), 2);
    // The text is no tab stop: the keys that read it work on the buttons.
    for (QPushButton *button : {btRefresh, btClear, btClose})
        button->installEventFilter(this);

    // The buttons as wide as the widest caption; the panel as wide as its
    // design or as they need, and never wider as the window grows.
    QVBoxLayout *buttons = Column(Panel1, {8, 8, 6, 8}, 7);
    buttons->addWidget(btRefresh);
    buttons->addWidget(btClear);
    buttons->addWidget(btClose);
    buttons->addStretch();
    Panel1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(LogMemo, 1);
    layout->addWidget(Panel1);
    // Resizable, from its designed size or what the panel needs.
    setProperty(kDesignGeometry, QRect(0, 0, kClientWidth, kClientHeight));
    Relayout(*this);
    resize(QSize(kClientWidth, kClientHeight).expandedTo(minimumSizeHint()));

    connect(btRefresh, &QPushButton::clicked, this, &TfmLog::btRefreshClick);
    connect(btClear, &QPushButton::clicked, this, &TfmLog::btClearClick);
    connect(btClose, &QPushButton::clicked, this, &TfmLog::btCloseClick);

    CentreOnScreen(*this);
    LoadLogIntoViewer();
}

TfmLog::~TfmLog() = default;

QString TfmLog::logPath() const
{
    return LogFilePath(m_state);
}

void TfmLog::LoadLogIntoViewer()
{
    LogMemo->clear();
    const QString path = logPath();
    const qint64 limit = qint64(m_limitMiB) * 1024 * 1024;
    LogView view;
    LogCut cut = LogCut::None;
    int err = 0;
    const int fd = OpenRegularFile(QFile::encodeName(path), O_RDONLY, 0, &err);
    if (fd < 0 || !ReadLogView(fd, limit, m_lineLimit, &view, &cut, &err)) {
        if (err == ENOENT)
            throw VantrelError(tr("Cannot open file %1").arg(path));
        throw VantrelError(tr("Cannot open file %1: %2").arg(path, FileErrorText(err)));
    }
    bool longCaption = false;
    QString caption = view.caption(kShownLineChars, &longCaption);
    if (longCaption)
        caption += QChar(0x2026); // …
    setWindowTitle(caption);
    LogMemo->setLines({view.lineCount(), view.longestLine(),
                       [view](int row, qsizetype maxChars, bool *more) { return view.line(row, maxChars, more); }});
    if (cut == LogCut::Size)
        m_boxes.warning(tr("The log is larger than %1 MiB: only its first %1 MiB are shown.").arg(m_limitMiB));
    else if (cut == LogCut::Lines)
        m_boxes.warning(
            tr("The log has more than %1 lines: only its first %1 are shown.").arg(QLocale().toString(m_lineLimit)));
}

void TfmLog::btRefreshClick()
{
    LoadLogIntoViewer();
}

void TfmLog::btClearClick()
{
    // Its question is up and the window was shown again from the tray: one
    // question at a time.
    if (m_clearing)
        return;
    m_clearing = true;
    hide();
    // The answer is the user's whatever became of the window meanwhile (shown
    // again from the tray, or closed): Yes still clears the log.
    m_boxes.open({log_text::translated(log_text::kConfirmTitle), log_text::translated(log_text::kConfirm),
                  MessageBoxes::Icon::Question, MessageBoxes::Buttons::YesNo},
                 nullptr, [self = QPointer<TfmLog>(this), path = logPath(), &boxes = m_boxes](MessageBoxes::Answer answer) {
                     if (self)
                         self->m_clearing = false;
                     if (answer != MessageBoxes::Answer::Yes) {
                         if (self)
                             self->show();
                         return;
                     }
                     ClearLog(boxes, path);
                     if (self)
                         self->close();
                 });
}

void TfmLog::ClearLog(MessageBoxes &boxes, const QString &path)
{
    // A delete the user can undo: the desktop's trash. Where the file cannot go
    // there (no trash on its file system, no right to write one), it is kept.
    if (MoveToTrash(path))
        boxes.open(
            {MessageBoxes::messageTitle(), log_text::translated(log_text::kDeleted), MessageBoxes::Icon::Information});
    else
        boxes.error(log_text::translated(log_text::kClearFailed));
}

void TfmLog::btCloseClick()
{
    close();
}

void TfmLog::closeEvent(QCloseEvent *event)
{
    event->accept();
}

bool TfmLog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && scrollLog(*static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool TfmLog::scrollLog(const QKeyEvent &key)
{
    // The page keys and the arrows scroll the log as in a text; Ctrl+Home and
    // Ctrl+End go to its first and last lines, Home and End to the lines'
    // starts and ends. The focus stays where it is.
    QScrollBar *lines = LogMemo->verticalScrollBar();
    QScrollBar *columns = LogMemo->horizontalScrollBar();
    const bool control = key.modifiers() & Qt::ControlModifier;
    // The list's own horizontal step is a whole row; an arrow moves a few
    // characters.
    const int characters = kCharactersPerArrow * LogMemo->fontMetrics().averageCharWidth();
    switch (key.key()) {
    case Qt::Key_PageUp: lines->triggerAction(QAbstractSlider::SliderPageStepSub); return true;
    case Qt::Key_PageDown: lines->triggerAction(QAbstractSlider::SliderPageStepAdd); return true;
    case Qt::Key_Up: lines->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
    case Qt::Key_Down: lines->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
    case Qt::Key_Left: columns->setValue(columns->value() - characters); return true;
    case Qt::Key_Right: columns->setValue(columns->value() + characters); return true;
    case Qt::Key_Home: (control ? lines : columns)->triggerAction(QAbstractSlider::SliderToMinimum); return true;
    case Qt::Key_End: (control ? lines : columns)->triggerAction(QAbstractSlider::SliderToMaximum); return true;
    default: return false;
    }
}

} // namespace vantrel
