// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/desktop/filedialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// Records every request and answers from a queue (cancel when it is empty).
class RecordingFileDialogs final : public FileDialogs {
public:
    QString getOpenFileName(QWidget *, const OpenRequest &request) override
    {
        asked.append(request);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void setNextFileName(const QString &path) { answers.append(path); }

    QList<OpenRequest> asked;
    QStringList answers;
};

} // namespace vantrel
