#pragma once

#include "app/notify/NewMail.h"

namespace app {

// The desktop's notification of new mail: one at a time, the next replacing the one still shown. Where the
// desktop has no notification service nothing happens and nothing is reported.
class DesktopNotice {
public:
    virtual ~DesktopNotice() = default;
    virtual void Show(const NewMail& mail) = 0;
    // Takes away the one shown, if any.
    virtual void Close() = 0;
};

}  // namespace app
