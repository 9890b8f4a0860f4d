// SPDX-License-Identifier: MIT
// For widget tests: a control of the window by its objectName, as the tests know the window.
#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The child of `window` named `name` and of type T; a name that is not there (or not of that
// kind) ends the test run at once, naming it.
template <typename T> T *findControl(const QObject *window, const QString &name)
{
    T *w = window->findChild<T *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}
