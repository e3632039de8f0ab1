#pragma once
// Test rows keep non-ASCII bytes in hex so sources stay ASCII.

#include <initializer_list>
#include <string>

inline std::string Bytes(std::initializer_list<int> bytes) {
    std::string text;
    for (const int byte : bytes) text += static_cast<char>(byte);
    return text;
}

inline const std::string kSjisA = Bytes({0x82, 0xA0});  // hiragana a
inline const std::string kJisA = "\x1B$B\x24\x22\x1B(J";
