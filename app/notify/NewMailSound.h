#pragma once

#include "app/notify/NewMail.h"

namespace app {

// Played at most once per check, after the last account, when a message not seen before turned up; `mail`
// is what turned up. The player decides itself whether there is anything to play and logs its own failures.
class NewMailSound {
public:
    virtual ~NewMailSound() = default;
    virtual void PlayNewMailSound(const NewMail& mail) = 0;
};

}  // namespace app
