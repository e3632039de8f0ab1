#include "net/ReplyCode.h"

#include "net/Exceptions.h"

#include <charconv>
#include <string>

namespace net {

namespace {
constexpr std::size_t kMaxDigits = 10;
constexpr std::int32_t kLargestReplyCode = 32767;
}  // namespace

std::int16_t ReplyCode(std::string_view line)
{
    std::size_t digits = 0;
    while (digits < line.size() && digits < kMaxDigits && line[digits] >= '0' && line[digits] <= '9') {
        ++digits;
    }
    if (digits == 0) {
        return 0;
    }
    // The code is read as a 32-bit integer: ten digits beyond its range do not convert and give 0, while a
    // value that converts but does not fit in 16 bits is an error.
    std::int32_t value = 0;
    if (std::from_chars(line.data(), line.data() + digits, value).ec != std::errc()) {
        return 0;
    }
    if (value > kLargestReplyCode) {
        throw Exception("Reply code out of range: " + std::string(line.substr(0, digits)));
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace net
