#pragma once

#include <QObject>
#include <QString>

#include "common/data_view.h"

// A control of the window by its objectName. The window is built from one UI model, so a
// missing control is a programming error to stop at, not a condition to handle.
template <class T>
T* findControl(const QObject* form, const char* name) {
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w) {
        qFatal("control %s missing from the window", name);
    }
    return w;
}

// A multi-line text area, used through its DataView side only.
inline DataView& findDataView(const QObject* form, const char* name) {
    auto* view = dynamic_cast<DataView*>(findControl<QObject>(form, name));
    if (!view) {
        qFatal("control %s is not a text area", name);
    }
    return *view;
}
