// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/recordingmessageboxes.h"

namespace vantrel {

MessageBoxes::Answer RecordingMessageBoxes::show(const QString &title, const QString &text,
                                                 Icon icon, Buttons buttons, bool setAsideTopMost)
{
    shown.append({title, text, icon, buttons, setAsideTopMost});
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

} // namespace vantrel
