// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/messageboxes.h"

#include <QList>
#include <QPointer>
#include <QString>

namespace vantrel {

// Records every box. Answers at once from a queue (Ok or Yes when the queue is
// empty), or, with `hold` set, keeps the boxes up until the test answers them
// with answerNext(), so that it can act while a box is up.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString title;
        QString text;
        Icon icon;
        Buttons buttons;
        bool setAsideTopMost;
    };

    void open(const Box &box, QObject *context, Answered answered) override;
    void closeAll() override;
    void setNextAnswer(Answer a) { m_answers.append(a); }
    // Answers the oldest box still up; false when none is.
    bool answerNext();
    int openCount() const { return int(m_pending.size()); }

    QList<Shown> shown;
    bool hold = false;
    int closedUnanswered = 0;

private:
    struct Pending {
        Buttons buttons;
        bool guarded;
        QPointer<QObject> context;
        Answered answered;
    };
    void answer(Pending pending);
    QList<Answer> m_answers;
    QList<Pending> m_pending;
};

} // namespace vantrel
