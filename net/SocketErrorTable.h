#pragma once
// Socket error numbers are the Winsock ones throughout, so that messages read the same on every platform
// ("10061:Connection refused"); Linux errno values are translated on the way in.

#include <array>
#include <string>
#include <string_view>

namespace net {

inline constexpr int kWouldBlock = 10035;
inline constexpr int kNotConnected = 10057;

struct SocketErrorRow {
    int number;
    std::string_view text;
};

extern const std::array<SocketErrorRow, 51> SocketErrorTable;

// "10061:Connection refused", or "Unknown Error No. " and the number; empty for 0.
std::string LookupErrorMessage(int number);

// The Winsock number for a Linux errno value. Values without a Winsock twin land above 20000, where no
// table row matches but the error is still reported.
int SocketErrorFromErrno(int error);

}  // namespace net
