// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/messageboxes.h"

#include <QList>
#include <QString>

namespace vantrel {

// Records every box and answers from a queue (Ok or Yes when the queue is empty).
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
        bool setAsideTopMost;
    };

    Answer show(const QString &title, const QString &text, Icon icon, Buttons buttons,
                bool setAsideTopMost) override;
    void setNextAnswer(Answer a) { m_answers.append(a); }

    QList<Shown> shown;

private:
    QList<Answer> m_answers;
};

} // namespace vantrel
