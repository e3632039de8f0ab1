#include "net/ReplyCode.h"

#include "net/Exceptions.h"

#include <string>

namespace net {

namespace {
constexpr std::size_t kMaxDigits = 10;
constexpr std::int64_t kLargestReplyCode = 32767;
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
    const std::string code(line.substr(0, digits));
    const std::int64_t value = std::stoll(code);
    if (value > kLargestReplyCode) {
        throw Exception("Reply code out of range: " + code);
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace net
