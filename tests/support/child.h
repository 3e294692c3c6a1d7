// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window's child by its object name, as the window names its controls,
// actions and timers. Windows keep their parts private; a test or benchmark
// finds them this way. A missing child (or one of another type) throws, so a
// test stops there with the name in its failure instead of crashing later.
#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace vantrel::test {

template <class T>
T *Child(const QObject &parent, const char *name)
{
    T *child = parent.findChild<T *>(QString::fromLatin1(name));
    if (!child)
        throw std::logic_error(std::string(parent.objectName().toStdString()) + " has no child " + name
                               + " of the type asked for");
    return child;
}

} // namespace vantrel::test
