// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include <functional>

class QWidget;

namespace vantrel {

// Every message box of the program goes through this interface, so that tests
// can answer the boxes and see what was shown.
class MessageBoxes {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;

    // Shows a modal box and returns the user's answer. With setAsideTopMost set,
    // windows that stay on top are made ordinary while the box is up so that
    // they cannot hide it, and are put back on top afterwards.
    virtual Answer show(const QString &title, const QString &text, Icon icon,
                        Buttons buttons = Buttons::Ok, bool setAsideTopMost = false) = 0;

    // Convenience for the program's usual error box, titled "Vantrel Message".
    void error(const QString &text, bool setAsideTopMost = false)
    {
        show(QStringLiteral("Vantrel Message"), text, Icon::Error, Buttons::Ok, setAsideTopMost);
    }

    // The same box without waiting for it: `closed` runs once it has been closed.
    // For callers that must go on meanwhile (the dial run), so that no window
    // opened on top of the box can hold them up. By default it waits.
    virtual void openError(const QString &text, std::function<void()> closed)
    {
        error(text);
        closed();
    }
};

// Real boxes (QMessageBox).
class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const QString &title, const QString &text, Icon icon, Buttons buttons,
                bool setAsideTopMost) override;
    void openError(const QString &text, std::function<void()> closed) override;
};

} // namespace vantrel
