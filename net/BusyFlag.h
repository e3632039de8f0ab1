#pragma once
// The re-entry guard of the mail clients: set for one operation, and given back its earlier value on
// every way out, so an operation nested in another (through the pump or an event) leaves it set.

namespace net {

class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : flag_(flag), earlier_(flag) { flag_ = true; }
    ~BusyFlag() { flag_ = earlier_; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& flag_;
    bool earlier_;
};

}  // namespace net
