#include "net/ServerField.h"

#include <charconv>

namespace net {

ServerAddress SplitServerField(std::string_view field, int defaultPort)
{
    const std::size_t colon = field.rfind(':');
    if (colon != std::string_view::npos && colon > 0) {
        const std::string_view digits = field.substr(colon + 1);
        int port = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() && port >= 1 &&
            port <= 65535) {
            return {std::string(field.substr(0, colon)), port};
        }
    }
    return {std::string(field), defaultPort};
}

}  // namespace net
