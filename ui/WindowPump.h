#pragma once

#include "net/Powersock.h"

namespace ui {

// What the mail clients call while they wait: the windows' pending work, at most a hundred times a
// second. The clients call it after every poll of their socket and after every summary; serving the
// event loop each time would cost a fast server's check more than the check itself, and a person
// notices no difference from 10 ms.
net::PumpFunction WindowPump();

}  // namespace ui
