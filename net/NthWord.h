#pragma once

#include <string>
#include <string_view>

namespace net {

// The n-th field (from 1) of text split at delimiter. Consecutive delimiters give empty fields and the last
// field runs to the end, so a reply's line terminator stays in its last word.
std::string NthWord(std::string_view text, char delimiter, int n);

}  // namespace net
