// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/messageboxes.h"

#include <QList>
#include <QPointer>

class QMessageBox;

namespace vantrel {

// Real boxes (QMessageBox), opened window-modal and deleted when they close.
class QtMessageBoxes final : public MessageBoxes {
public:
    ~QtMessageBoxes() override;
    void open(const Box &box, QObject *context, Answered answered) override;
    void closeAll() override;

private:
    QList<QPointer<QMessageBox>> m_open;
};

} // namespace vantrel
