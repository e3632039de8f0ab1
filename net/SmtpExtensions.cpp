#include "net/SmtpExtensions.h"

#include "net/MemoryStream.h"
#include "net/NMUUProcessor.h"

#include <algorithm>
#include <cctype>

namespace net {

namespace {

bool SameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The words after the reply code, split at blanks and "=".
std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::string_view rest = line.size() > 4 ? line.substr(4) : std::string_view();
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(" =\r\n");
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find_first_of(" =\r\n"), rest.size());
        words.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    return words;
}

}  // namespace

bool OffersExtension(const std::vector<std::string>& ehloReply, std::string_view keyword)
{
    return std::any_of(ehloReply.begin(), ehloReply.end(), [keyword](const std::string& line) {
        const std::vector<std::string_view> words = Words(line);
        return !words.empty() && SameWord(words.front(), keyword);
    });
}

bool OffersMechanism(const std::vector<std::string>& ehloReply, std::string_view mechanism)
{
    return std::any_of(ehloReply.begin(), ehloReply.end(), [mechanism](const std::string& line) {
        const std::vector<std::string_view> words = Words(line);
        return !words.empty() && SameWord(words.front(), "AUTH") &&
               std::any_of(words.begin() + 1, words.end(),
                           [mechanism](std::string_view word) { return SameWord(word, mechanism); });
    });
}

std::string Base64Line(std::string_view bytes)
{
    MemoryStream input(bytes);
    MemoryStream output;
    TNMUUProcessor coder;
    coder.Method = UUMethods::uuMime;
    coder.InputStream = &input;
    coder.OutputStream = &output;
    coder.Encode();
    std::string line = output.Bytes();
    std::erase_if(line, [](char byte) { return byte == '\r' || byte == '\n'; });
    return line;
}

}  // namespace net
