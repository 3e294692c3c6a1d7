// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/formlayout.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocument>
#include <QTextLayout>
#include <QWidget>
#include <QtMath>

#include <algorithm>

namespace vantrel {

namespace {

// The default desktop font: 9 points at 96 dpi.
constexpr qreal kDefaultFontPixels = 12.0;

// The design's margins less what the parent keeps for itself (its frame, a
// group box's title), which a layout adds on its own.
QMargins InsideParent(const QWidget *parent, const QMargins &margins)
{
    if (!parent)
        return margins;
    const QMargins own = parent->contentsMargins();
    return {std::max(0, margins.left() - own.left()), std::max(0, margins.top() - own.top()),
            std::max(0, margins.right() - own.right()), std::max(0, margins.bottom() - own.bottom())};
}

void ActivateInnerFirst(QWidget &widget)
{
    // Inner layouts first: each one's new size is what the next one out needs.
    for (QObject *child : widget.children()) {
        auto *inner = qobject_cast<QWidget *>(child);
        if (inner && !inner->isWindow())
            ActivateInnerFirst(*inner);
    }
    if (QLayout *layout = widget.layout()) {
        layout->invalidate();
        layout->activate();
    }
}

} // namespace

void SetDesign(QWidget *control, const QRect &design)
{
    control->setProperty(kDesignGeometry, design);
    control->setMinimumSize(design.size());
}

void FixWindowToLayout(QWidget &window, QLayout &layout, const QSize &design)
{
    window.setProperty(kDesignGeometry, QRect(QPoint(0, 0), design));
    layout.setSizeConstraint(QLayout::SetFixedSize);
    Relayout(window);
}

qreal TextScale(const QFont &font)
{
    return std::max<qreal>(1.0, QFontInfo(font).pixelSize() / kDefaultFontPixels);
}

int Scaled(int designWidth, const QFont &font)
{
    return qRound(designWidth * TextScale(font));
}

QVBoxLayout *Column(QWidget *parent, const QMargins &margins, int spacing)
{
    auto *layout = new QVBoxLayout(parent);
    layout->setContentsMargins(InsideParent(parent, margins));
    layout->setSpacing(spacing);
    return layout;
}

QHBoxLayout *Row(QWidget *parent, const QMargins &margins, int spacing)
{
    auto *layout = new QHBoxLayout(parent);
    layout->setContentsMargins(InsideParent(parent, margins));
    layout->setSpacing(spacing);
    return layout;
}

QLabel *MakeLabel(const QString &text, QWidget *parent, const QString &name, const QRect &design)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    SetDesign(label, design);
    return label;
}

FormField::FormField(QWidget *parent, const QString &name, const QRect &design)
    : QLineEdit(parent), m_designWidth(design.width())
{
    setObjectName(name);
    SetDesign(this, design);
}

QSize FormField::sizeHint() const
{
    // As tall as its design, or as a line of text with the frame around it
    // needs: Qt's own hint adds a few pixels more than a designed field has.
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    return QSize(Scaled(m_designWidth, font()), fontMetrics().height() + 2 * frame + 2).expandedTo(minimumSize());
}

QLineEdit *MakeField(QWidget *parent, const QString &name, const QRect &design)
{
    return new FormField(parent, name, design);
}

void FitToItems(QComboBox &list)
{
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, list.fontMetrics().size(Qt::TextSingleLine, list.itemText(i)).width());
    QStyleOptionComboBox option;
    option.initFrom(&list);
    const auto field = [&](int width) {
        option.rect = QRect(0, 0, width, list.sizeHint().height());
        return list.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &list).width();
    };
    // The style's frame and arrow do not quite grow with the width: the least
    // width whose text field holds the widest item.
    int width = std::max(list.minimumWidth(), widest + 1000 - field(1000));
    while (field(width) < widest)
        ++width;
    // Qt's own hint adds room the items do not need.
    list.setFixedWidth(width);
}

int IndicatorHeight(const QAbstractButton &button)
{
    const bool radio = qobject_cast<const QRadioButton *>(&button);
    return button.style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight, nullptr,
                                       &button);
}

QCheckBox *MakeCheckBox(const QString &text, QWidget *parent, const QString &name, const QRect &design)
{
    auto *box = new FormCheckBox(text, parent);
    box->setObjectName(name);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    SetDesign(box, design);
    return box;
}

FormButton::FormButton(const QString &caption, QWidget *parent, const QString &name, const QRect &design)
    : QPushButton(caption, parent)
{
    setObjectName(name);
    SetDesign(this, design);
}

void FormButton::setOtherCaptions(const QStringList &captions)
{
    m_otherCaptions = captions;
    updateGeometry();
}

QSize FormButton::sizeHint() const
{
    ensurePolished();
    QStyleOptionButton option;
    initStyleOption(&option);
    const QFontMetrics metrics = fontMetrics();
    QSize caption(0, metrics.height());
    for (const QString &text : m_otherCaptions + QStringList{text()})
        caption = caption.expandedTo(metrics.size(Qt::TextShowMnemonic, text));
    // Asked without its caption, the style adds only the button's frame and
    // margins to the caption's size, and no least width of its own.
    option.text.clear();
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, caption, this).expandedTo(minimumSize());
}

QSize FormButton::minimumSizeHint() const
{
    return sizeHint();
}

void FitTextHeight(QPlainTextEdit &memo, int width, int designHeight)
{
    memo.setFixedWidth(width);
    // The lines as the memo lays them out (one text layout a paragraph, lines
    // stacked without leading), apart from the memo, whose own layout waits for
    // its next paint.
    const qreal margin = memo.document()->documentMargin();
    const qreal lineWidth = width - 2 * memo.frameWidth() - 2 * margin;
    qreal lines = 0;
    for (const QString &paragraph : memo.toPlainText().split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, memo.font());
        layout.setTextOption(memo.document()->defaultTextOption());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            lines += line.height();
        }
        layout.endLayout();
    }
    // The memo shows a last line only when one pixel more than it is free.
    const int needed = qCeil(lines + 2 * margin) + 1 + 2 * memo.frameWidth();
    memo.setFixedHeight(std::max(designHeight, needed));
}

void Relayout(QWidget &window)
{
    // The style's polish may change what a control needs (its font, its margins).
    window.ensurePolished();
    ActivateInnerFirst(window);
}

void CentreOnScreen(QWidget &window)
{
    Relayout(window);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace vantrel
