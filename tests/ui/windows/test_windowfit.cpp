// SPDX-License-Identifier: GPL-3.0-or-later
// Every window in English and German at the design's 8 point font, the
// desktop's and one half again as large: no text is larger than where its
// control draws it, no German access key is shared within a window, and in
// English at the design's font every control stands where its design puts it.
#include "platform/translators.h"
#include "ui/platform/formlayout.h"
#include "ui/windows/everywindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTranslator>

namespace vantrel::test {
namespace {

constexpr int kFewPixels = 3;
constexpr qreal kDesignPoints = 8.0;

// Where a control draws its texts, and the texts; an empty list for others.
std::pair<QRect, QStringList> textsAndArea(const QWidget &w)
{
    QStyle &style = *w.style();
    if (const auto *button = qobject_cast<const QAbstractButton *>(&w); button && !button->inherits("QToolButton")) {
        QStyleOptionButton o;
        o.initFrom(button);
        o.text = button->text();
        const auto element = qobject_cast<const QCheckBox *>(button)      ? QStyle::SE_CheckBoxContents
                             : qobject_cast<const QRadioButton *>(button) ? QStyle::SE_RadioButtonContents
                                                                          : QStyle::SE_PushButtonContents;
        return {style.subElementRect(element, &o, button), {o.text}};
    }
    if (const auto *box = qobject_cast<const QGroupBox *>(&w)) {
        QStyleOptionGroupBox o;
        o.initFrom(box);
        o.text = box->title();
        o.subControls = QStyle::SC_GroupBoxLabel;
        // The style sizes the title from metrics of its own, which round a
        // pixel apart from ours at some fractional sizes: a pixel of slack,
        // but never past the box.
        const QRect title = style.subControlRect(QStyle::CC_GroupBox, &o, QStyle::SC_GroupBoxLabel, box);
        return {title.adjusted(0, 0, 1, 0) & box->rect(), {o.text}};
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(&w)) {
        QStyleOptionComboBox o;
        o.initFrom(combo);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return {style.subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, combo), items};
    }
    if (const auto *label = qobject_cast<const QLabel *>(&w); label && !label->wordWrap())
        return {label->contentsRect(), {label->text()}};
    return {};
}

// The window's texts that do not fit where their controls draw them. The
// blanks some captions carry at their ends (" Double Click Action ") are no ink.
QStringList cutTexts(const QWidget &window)
{
    QStringList cut;
    for (const QWidget *w : window.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&window))
            continue;
        const auto *plain = qobject_cast<const QPlainTextEdit *>(w);
        const auto *rich = qobject_cast<const QTextEdit *>(w);
        const auto *label = qobject_cast<const QLabel *>(w);
        if ((plain || rich)
            && static_cast<const QAbstractScrollArea *>(w)->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff) {
            // A text without scroll bars shows all its lines, and whole lines where it does not wrap.
            const auto *area = static_cast<const QAbstractScrollArea *>(w);
            const bool wraps = plain ? plain->lineWrapMode() != QPlainTextEdit::NoWrap
                                     : rich->lineWrapMode() != QTextEdit::NoWrap;
            if (area->verticalScrollBar()->maximum() > 0 || (!wraps && area->horizontalScrollBar()->maximum() > 0))
                cut << w->objectName();
        } else if (label && label->wordWrap() && label->heightForWidth(label->width()) > label->height()) {
            cut << w->objectName();
        }
        const auto [area, texts] = textsAndArea(*w);
        for (const QString &text : texts) {
            const QSize needed = w->fontMetrics().size(Qt::TextShowMnemonic, text.trimmed());
            if (!text.isEmpty() && (needed.width() > area.width() || needed.height() > area.height()))
                cut << QStringLiteral("%1 '%2' needs %3x%4 in %5x%6")
                           .arg(w->objectName(), text)
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(area.width())
                           .arg(area.height());
        }
    }
    return cut;
}

// The window and its controls more than a few pixels from their design places.
QStringList movedFromDesign(const QWidget &window)
{
    QStringList moved;
    const auto text = [](QRect r) {
        return QStringLiteral("(%1,%2 %3x%4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QList<QWidget *> all = window.findChildren<QWidget *>();
    all.prepend(const_cast<QWidget *>(&window));
    for (const QWidget *w : all) {
        const QRect design = w->property(kDesignGeometry).toRect();
        const QRect actual = w == &window ? w->rect() : w->geometry();
        if (design.isNull() || !w->isVisibleTo(&window))
            continue;
        const QPoint off1 = actual.topLeft() - design.topLeft(), off2 = actual.bottomRight() - design.bottomRight();
        if (std::max({std::abs(off1.x()), std::abs(off1.y()), std::abs(off2.x()), std::abs(off2.y())}) > kFewPixels)
            moved << QStringLiteral("%1 at %2, designed %3").arg(w->objectName(), text(actual), text(design));
    }
    return moved;
}

// Access keys that two controls of the window share.
QStringList sharedAccessKeys(const QWidget &window)
{
    static const QRegularExpression key(QStringLiteral("&([^&])"));
    QMap<QChar, QStringList> owners;
    for (const QWidget *w : window.findChildren<QWidget *>())
        for (const QString &text : textsAndArea(*w).second)
            if (const auto match = key.match(text); match.hasMatch() && w->isVisibleTo(&window))
                owners[match.captured(1).at(0).toLower()] << text;
    QStringList shared;
    for (const QStringList &texts : owners)
        shared << (texts.size() > 1 ? texts.join(QStringLiteral(" / ")) : QString());
    shared.removeAll(QString());
    return shared;
}

class WindowFit : public EveryWindowFixture {};

TEST_F(WindowFit, EveryTextFitsInEnglishAndGermanAtTheDesignsTheUsualAndALargerFont)
{
    prepare();
    const QFont usual = QApplication::font();
    const auto restoreFont = qScopeGuard([&] { QApplication::setFont(usual); });
    for (const bool german : {false, true}) {
        QTranslator translator;
        ASSERT_TRUE(!german
                    || (translator.load(QLocale(QLocale::German), QStringLiteral("vantrel"), QStringLiteral("_"),
                                        kTranslationsFolder)
                        && QCoreApplication::installTranslator(&translator)));
        const auto removeTranslator = qScopeGuard([&] { QCoreApplication::removeTranslator(&translator); });
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
                EXPECT_EQ(german ? sharedAccessKeys(*window).join(u'\n').toStdString() : "", "");
                EXPECT_EQ(!german && points == kDesignPoints ? movedFromDesign(*window).join(u'\n').toStdString() : "", "");
            }
        }
    }
}

} // namespace
} // namespace vantrel::test
