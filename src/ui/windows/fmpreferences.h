// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Preferences": the public address lookup (on or off, the servers, the
// address in the tip) and which events become desktop notifications. OK
// checks the servers, stores the values and hands them to `apply`; a server
// list that cannot be used keeps the window open with a box naming what is
// wrong, so nothing typed is lost. Cancel changes nothing.
#include "monitor/preferences.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QPlainTextEdit;

namespace vantrel {

class MessageBoxes;
class Registry;

class TfmPreferences : public QDialog {
    Q_OBJECT
public:
    TfmPreferences(const Preferences &current, Registry &registry, MessageBoxes &boxes,
                   std::function<void(const Preferences &)> apply, QWidget *parent = nullptr);

    // What the controls say now.
    Preferences chosen() const;
    void btOKClick();

private:
    Registry &m_registry;
    MessageBoxes &m_boxes;
    std::function<void(const Preferences &)> m_apply;
    QCheckBox *cxPublic = nullptr;
    QPlainTextEdit *edServers = nullptr;
    QCheckBox *cxTip = nullptr;
    QCheckBox *cxConnected = nullptr;
    QCheckBox *cxDropped = nullptr;
    QCheckBox *cxAddress = nullptr;
    QCheckBox *cxPublicChanged = nullptr;
    QCheckBox *cxDialFailed = nullptr;
};

} // namespace vantrel
