// SPDX-License-Identifier: GPL-3.0-or-later
// Every window in English and in German, at the desktop's font and at one half
// again as large: no text is wider or taller than its control, in German no
// access key is shared within a window, and in English at the usual font every
// control stands where the window's design puts it.
#include "platform/formlayout.h"
#include "platform/translators.h"
#include "windows/everywindow.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTranslator>

namespace vantrel::test {
namespace {

// How far a control may stand from its design place in English at the usual
// font, where the design's font and the desktop's differ a little.
constexpr int kFewPixels = 3;
constexpr qreal kDesignPoints = 8.0;

// The size of a caption's ink: the blanks some captions carry at their ends
// (" Double Click Action ") are space that may be lost without loss.
QSize textSize(const QWidget &w, const QString &text)
{
    return w.fontMetrics().size(Qt::TextShowMnemonic, text.trimmed());
}

// Where the control draws its text, or an empty rectangle for one it does not check.
QRect textArea(const QWidget &w)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(&w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const auto element = qobject_cast<const QCheckBox *>(button)      ? QStyle::SE_CheckBoxContents
                             : qobject_cast<const QRadioButton *>(button) ? QStyle::SE_RadioButtonContents
                             : qobject_cast<const QPushButton *>(button) ? QStyle::SE_PushButtonContents
                                                                          : QStyle::SE_CustomBase;
        return element == QStyle::SE_CustomBase ? QRect() : w.style()->subElementRect(element, &option, button);
    }
    if (const auto *box = qobject_cast<const QGroupBox *>(&w)) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        return w.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box)
            .intersected(box->rect());
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(&w)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        return w.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    }
    if (const auto *label = qobject_cast<const QLabel *>(&w))
        return label->contentsRect();
    return {};
}

QStringList texts(const QWidget &w)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(&w))
        return {button->text()};
    if (const auto *box = qobject_cast<const QGroupBox *>(&w))
        return {box->title()};
    if (const auto *combo = qobject_cast<const QComboBox *>(&w)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    }
    if (const auto *label = qobject_cast<const QLabel *>(&w))
        return {label->text()};
    return {};
}

// The texts of the window that do not fit their controls.
QStringList cutTexts(const QWidget &window)
{
    QStringList cut;
    for (const QWidget *w : window.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&window))
            continue;
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName();
        if (const auto *area = qobject_cast<const QAbstractScrollArea *>(w)) {
            // A read-only text without scroll bars must show all of itself:
            // all its lines, and whole lines where it does not wrap them.
            const auto *plain = qobject_cast<const QPlainTextEdit *>(w);
            const auto *rich = qobject_cast<const QTextEdit *>(w);
            const bool wraps = (plain && plain->lineWrapMode() != QPlainTextEdit::NoWrap)
                               || (rich && rich->lineWrapMode() != QTextEdit::NoWrap);
            if (area->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff
                && (area->verticalScrollBar()->maximum() > 0 || (!wraps && area->horizontalScrollBar()->maximum() > 0)))
                cut << name;
            continue;
        }
        const auto *label = qobject_cast<const QLabel *>(w);
        if (label && label->wordWrap()) {
            if (label->heightForWidth(label->width()) > label->height())
                cut << name;
            continue;
        }
        const QRect area = textArea(*w);
        for (const QString &text : texts(*w)) {
            if (text.isEmpty() || area.isNull())
                continue;
            const QSize needed = textSize(*w, text);
            if (needed.width() > area.width() || needed.height() > area.height())
                cut << QStringLiteral("%1 '%2' (%3x%4 in %5x%6)")
                           .arg(name, text)
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(area.width())
                           .arg(area.height());
        }
    }
    return cut;
}

// The window and its controls that stand more than a few pixels from their design.
QStringList movedFromDesign(const QWidget &window)
{
    QStringList moved;
    const auto check = [&](const QWidget &w, const QRect &actual) {
        const QRect design = w.property(kDesignGeometry).toRect();
        if (design.isNull())
            return;
        const QMargins off(actual.left() - design.left(), actual.top() - design.top(),
                           actual.right() - design.right(), actual.bottom() - design.bottom());
        if (std::max({std::abs(off.left()), std::abs(off.top()), std::abs(off.right()), std::abs(off.bottom())})
            > kFewPixels)
            moved << QStringLiteral("%1 at (%2,%3 %4x%5), designed (%6,%7 %8x%9)")
                         .arg(w.objectName())
                         .arg(actual.x())
                         .arg(actual.y())
                         .arg(actual.width())
                         .arg(actual.height())
                         .arg(design.x())
                         .arg(design.y())
                         .arg(design.width())
                         .arg(design.height());
    };
    check(window, window.rect());
    for (const QWidget *w : window.findChildren<QWidget *>())
        if (w->isVisibleTo(&window))
            check(*w, w->geometry());
    return moved;
}

// Access keys that two controls of the window share.
QStringList sharedAccessKeys(const QWidget &window)
{
    QMap<QChar, QStringList> owners;
    for (const QWidget *w : window.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&window))
            continue;
        for (const QString &text : texts(*w)) {
            const qsizetype amp = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            if (amp >= 0)
                owners[text.at(amp + 1).toLower()] << text;
        }
    }
    QStringList shared;
    for (auto it = owners.cbegin(); it != owners.cend(); ++it)
        if (it.value().size() > 1)
            shared << it.value().join(QStringLiteral(" / "));
    return shared;
}

class WindowFit : public EveryWindowFixture {};

TEST_F(WindowFit, EveryTextFitsInEnglishAndGermanAtTheUsualAndALargerFont)
{
    prepare();
    const QFont usual = QApplication::font();
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(usual); });
    for (const bool german : {false, true}) {
        QTranslator translator;
        if (german) {
            ASSERT_TRUE(translator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("vantrel"),
                                        QStringLiteral("_"), kTranslationsFolder));
            QCoreApplication::installTranslator(&translator);
        }
        const auto removeTranslator = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
        // The design's own 8 point font, the desktop's and one half again as large.
        for (const qreal points : {kDesignPoints, usual.pointSizeF(), usual.pointSizeF() * 1.5}) {
            QFont font = usual;
            font.setPointSizeF(points);
            QApplication::setFont(font);
            for (const auto &[name, make, fill] : everyWindow()) {
                SCOPED_TRACE(QStringLiteral("%1, %2, %3 points")
                                 .arg(QLatin1String(name), german ? u"German" : u"English")
                                 .arg(points)
                                 .toStdString());
                std::unique_ptr<QWidget> window(make());
                window->show();
                fill(window.get());
                QCoreApplication::processEvents();
                EXPECT_EQ(cutTexts(*window).join(u'\n').toStdString(), "");
                if (german) {
                    EXPECT_EQ(sharedAccessKeys(*window).join(u'\n').toStdString(), "");
                } else if (points == kDesignPoints) {
                    EXPECT_EQ(movedFromDesign(*window).join(u'\n').toStdString(), "");
                }
            }
        }
    }
}

} // namespace
} // namespace vantrel::test
