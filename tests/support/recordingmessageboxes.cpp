// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/recordingmessageboxes.h"

namespace vantrel {

void RecordingMessageBoxes::open(const Box &box, QObject *context, Answered answered)
{
    shown.append({box.title, box.text, box.icon, box.buttons, box.setAsideTopMost});
    Pending pending{box.buttons, context != nullptr, context, std::move(answered)};
    if (hold)
        m_pending.append(std::move(pending));
    else
        answer(std::move(pending));
}

void RecordingMessageBoxes::answer(Pending pending)
{
    Answer a = pending.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    if (!m_answers.isEmpty())
        a = m_answers.takeFirst();
    if (pending.answered && (!pending.guarded || pending.context))
        pending.answered(a);
}

bool RecordingMessageBoxes::answerNext()
{
    if (m_pending.isEmpty())
        return false;
    answer(m_pending.takeFirst());
    return true;
}

void RecordingMessageBoxes::closeAll()
{
    closedUnanswered += int(m_pending.size());
    m_pending.clear();
}

} // namespace vantrel
