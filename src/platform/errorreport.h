// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <functional>

#include <stdexcept>

namespace vantrel {

class MessageBoxes;

// An error meant for the user, raised in a handler and shown by the general error
// report (the application's event dispatch catches it; the program carries on).
class VantrelError : public std::runtime_error {
public:
    explicit VantrelError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// The general error report: a box titled "Vantrel", error icon, OK, showing the
// text with a full stop added. Opened without waiting; `closed` runs once the
// user has closed it.
void ReportError(MessageBoxes &boxes, const QString &text, std::function<void()> closed = {});

} // namespace vantrel
