#pragma once
// The failures of the mail components. Every one carries a message text; the socket layer's own classes
// let a caller tell socket trouble and user aborts apart from protocol refusals.

#include <stdexcept>

namespace net {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A wait ended by Cancel or by the time-out timer.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

}  // namespace net
