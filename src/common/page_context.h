#pragma once

#include "common/dialogs.h"
#include "common/status_line.h"

class DeviceLink;

// What the window hands each page's logic besides its controls: the link, the status line and
// the dialogs are shared; `bAborted` is the one stop request of the long operations.
struct PageContext {
    DeviceLink& link;
    StatusLine& status;
    Dialogs& dialogs;
    bool& bAborted;
};
