// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open-file dialog behind a small interface, so that tests can answer it
// the way they answer message boxes.
#include <QString>

#include <functional>

class QWidget;

namespace vantrel {

class FileDialogs {
public:
    struct OpenRequest {
        QString title;
        QString folder;               // where the dialog starts
        QString filter;               // Qt name filter, e.g. "Wave files (*.wav)"
        QString defaultSuffix;        // added to a typed name without one, e.g. "wav"
        bool setAsideTopMost = false; // stay-on-top windows are made ordinary meanwhile
    };

    virtual ~FileDialogs() = default;
    // Lets the user pick one existing file, modal to `parent`, without waiting:
    // `chosen` runs with its path when the dialog closes, unless `parent` has
    // gone by then; a cancelled dialog calls nothing.
    virtual void openFile(QWidget *parent, const OpenRequest &request, std::function<void(const QString &path)> chosen) = 0;
};

// QFileDialog, Qt's own dialog rather than the desktop's, so that the default
// suffix and the must-exist rule behave the same on every desktop.
class QtFileDialogs final : public FileDialogs {
public:
    void openFile(QWidget *parent, const OpenRequest &request, std::function<void(const QString &path)> chosen) override;
};

} // namespace vantrel
