// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ui/platform/desktop/filedialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// Records every request and answers from a queue (cancel when it is empty).
class RecordingFileDialogs final : public FileDialogs {
public:
    void openFile(QWidget *, const OpenRequest &request, std::function<void(const QString &path)> chosen) override
    {
        asked.append(request);
        const QString path = answers.isEmpty() ? QString() : answers.takeFirst();
        if (!path.isEmpty())
            chosen(path);
    }
    void setNextFileName(const QString &path) { answers.append(path); }

    QList<OpenRequest> asked;
    QStringList answers;
};

} // namespace vantrel
