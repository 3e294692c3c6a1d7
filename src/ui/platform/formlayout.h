// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the program's small windows are laid out. Each window has a design: the
// place and size of every control, drawn for an 8 point dialog font. Qt's
// layouts place the controls with the design's margins and gaps, and every
// control is at least as large as in the design and larger as far as its text
// needs in the desktop's font and the user's language. So in English at the
// usual font a window looks as designed, and in a longer language, at a larger
// font or a higher pixel density it grows instead of cutting its texts.
#include <QCheckBox>
#include <QLineEdit>
#include <QMargins>
#include <QPushButton>
#include <QRadioButton>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <algorithm>

class QBoxLayout;
class QComboBox;
class QFont;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QLayout;
class QVBoxLayout;
class QWidget;

namespace vantrel {

// The property that holds a control's design rectangle (in its parent) or a
// window's designed client size, for the tests that compare the two.
inline constexpr char kDesignGeometry[] = "designGeometry";

// Records `design` as the control's designed place and makes its size the
// control's least size. Returns the control.
template <class Control>
Control *Designed(Control *control, const QRect &design);
void SetDesign(QWidget *control, const QRect &design);

// Makes the window as large as its layout asks and no larger or smaller (the
// windows are not resizable), and records its designed client size.
void FixWindowToLayout(QWidget &window, QLayout &layout, const QSize &design);

// How much wider than in the design running text (a wrapped note, a memo) is
// set: 1 up to the 9 point default font at 96 dpi, in proportion above it, so
// that a larger font gives it about as many lines as the design has.
qreal TextScale(const QFont &font);
int Scaled(int designWidth, const QFont &font);

// A box layout with the design's margins and gaps; `parent` may be null for a
// layout nested in another. The margins are measured from the parent's outer
// edge, as in the design: a frame's border or a group box's title is inside them.
QVBoxLayout *Column(QWidget *parent, const QMargins &margins, int spacing = 0);
QHBoxLayout *Row(QWidget *parent, const QMargins &margins, int spacing = 0);

// A check box or radio button as tall as its design, or as its text or its
// indicator needs where that is more: Qt's own size hint adds room for a focus
// frame, taller than the design's rows.
template <class Button>
class FormCheck : public Button {
public:
    using Button::Button;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
};
using FormCheckBox = FormCheck<QCheckBox>;
using FormRadioButton = FormCheck<QRadioButton>;

// A one-line label with its design place, text left and centred vertically,
// and a check box. Both are as large as their design or their text, never
// stretched by the layout. They go into a layout with kAtLeft: a row or column
// of a layout is no larger than the smallest of its fixed-size items, and
// without an alignment squeezes a larger one to that.
QLabel *MakeLabel(const QString &text, QWidget *parent, const QString &name, const QRect &design);
QCheckBox *MakeCheckBox(const QString &text, QWidget *parent, const QString &name, const QRect &design);
inline constexpr Qt::Alignment kAtLeft = Qt::AlignLeft | Qt::AlignVCenter;

// An input field as wide as its design at the usual font (wider in proportion
// at a larger one), or wider where the layout has room. Qt's own hint asks for
// seventeen characters, wider than most designed fields.
class FormField : public QLineEdit {
public:
    FormField(QWidget *parent, const QString &name, const QRect &design);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int m_designWidth;
};
QLineEdit *MakeField(QWidget *parent, const QString &name, const QRect &design);

// A drop-down list as wide as its design or as its widest item needs.
void FitToItems(QComboBox &list);

// A push button as large as its design, or as its caption needs where that is
// more. Qt's own size hint gives every captioned button at least 80 pixels in
// some styles, wider than many designed buttons.
class FormButton : public QPushButton {
    Q_OBJECT
public:
    FormButton(const QString &caption, QWidget *parent, const QString &name, const QRect &design);
    // Captions it may show later: it is sized for the widest of all.
    void setOtherCaptions(const QStringList &captions);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    QStringList m_otherCaptions;
};

// Fixes a read-only text without scroll bars (a memo used as a note) at the
// given width and as tall as its design or as its wrapped text needs. Text set
// later asks for this again.
void FitTextHeight(QPlainTextEdit &memo, int width, int designHeight);

// Lays the window out at once for the texts its controls hold now; otherwise a
// layout follows a change of text through posted events, one level of nesting
// at a time, after the window may have been mapped at its old size.
void Relayout(QWidget &window);

// Lays the window out for the texts it holds now (Relayout) and centres it on
// the primary screen's available area.
void CentreOnScreen(QWidget &window);

template <class Control>
Control *Designed(Control *control, const QRect &design)
{
    SetDesign(control, design);
    return control;
}

int IndicatorHeight(const QAbstractButton &button);

template <class Button>
QSize FormCheck<Button>::sizeHint() const
{
    const int height = std::max(this->fontMetrics().height(), IndicatorHeight(*this));
    return QSize(Button::sizeHint().width(), height).expandedTo(this->minimumSize());
}

} // namespace vantrel
