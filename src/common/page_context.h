#pragma once

#include "common/dialogs.h"
#include "common/status_line.h"

class DeviceLink;
class QWidget;

// What the window hands each page's logic: its controls are found under `form` by objectName;
// the link, the status line and the dialogs are shared; `bAborted` is the one stop request of
// the long operations.
struct PageContext {
    QWidget* form;
    DeviceLink& link;
    StatusLine& status;
    Dialogs& dialogs;
    bool& bAborted;
};
