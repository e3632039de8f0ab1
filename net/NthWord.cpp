#include "net/NthWord.h"

namespace net {

std::string NthWord(std::string_view text, char delimiter, int n)
{
    std::string word;
    int delimitersSeen = 0;
    for (char c : text) {
        if (c == delimiter) {
            if (++delimitersSeen == n) {
                break;
            }
        } else if (delimitersSeen == n - 1) {
            word += c;
        }
    }
    return word;
}

}  // namespace net
