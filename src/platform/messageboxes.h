// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QCoreApplication>
#include <QString>

#include <functional>

class QObject;

namespace vantrel {

// Every message box of the program goes through this interface, so that tests
// can answer the boxes and see what was shown.
//
// A box never waits: open() returns at once and the caller goes on from the
// answer, so no handler sits in a nested event loop while the user reads, and
// an exit, a signal or a bus call that arrives meanwhile meets no half-done
// handler.
class MessageBoxes {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Box {
        QString title;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        // Windows that stay on top are made ordinary while the box is up so
        // that they cannot hide it, and are put back on top afterwards.
        bool setAsideTopMost = false;
        // Modal to the window the user is working in (a box raised by a
        // window's handler keeps that window from taking more input). Off for
        // boxes of work that goes on by itself (the dial run): such a box
        // belongs to no window, so closing a window cannot take it away.
        bool blocksActiveWindow = true;
    };
    using Answered = std::function<void(Answer)>;

    virtual ~MessageBoxes() = default;

    // Opens a box and returns at once. `answered` runs with the user's answer
    // when the box closes, unless `context` has been destroyed by then; a box
    // closed by closeAll() answers nothing.
    virtual void open(const Box &box, QObject *context = nullptr, Answered answered = {}) = 0;

    // Closes every box still up, without an answer: what they were about has
    // gone (the program is ending).
    virtual void closeAll() = 0;

    // The program's usual error box, titled "Vantrel Message".
    void error(const QString &text, bool setAsideTopMost = false)
    {
        open({messageTitle(), text, Icon::Error, Buttons::Ok, setAsideTopMost});
    }
    // The same for work that goes on by itself: the box blocks no window, and
    // `closed` runs once it has been closed (unless `context` is gone).
    void error(const QString &text, QObject *context, std::function<void()> closed)
    {
        Box box{messageTitle(), text, Icon::Error};
        box.blocksActiveWindow = false;
        open(box, context, [closed = std::move(closed)](Answer) { closed(); });
    }
    // A box with the warning icon, titled "Vantrel Message".
    void warning(const QString &text) { open({messageTitle(), text, Icon::Warning}); }

    static QString messageTitle() { return QCoreApplication::translate("vantrel::MessageBoxes", "Vantrel Message"); }
};

} // namespace vantrel
