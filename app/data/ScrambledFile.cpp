#include "app/data/ScrambledFile.h"

#include <variant>

#include "app/data/AtomicFile.h"

namespace app {
namespace {

constexpr unsigned char kScrambleKey = 0xA5;

}  // namespace

std::string ScrambleText(std::string_view text) {
    std::string scrambled(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        scrambled[text.size() - 1 - i] = static_cast<char>(static_cast<unsigned char>(text[i]) ^ kScrambleKey);
    }
    return scrambled;
}

bool FitsScrambledFile(std::string_view text) {
    return text.size() <= kScrambledFileCapacity && text.find('\0') == std::string_view::npos;
}

// Conforming files are at most 81,910 bytes. A larger one is read whole rather than only its first
// 81,911 bytes, which (the byte order being reversed) would be the end of the text, cut mid-record.
ScrambledFileRead ReadScrambledFile(const std::filesystem::path& path) {
    ScrambledFileRead read = ReadRegularFile(path);
    if (std::string* bytes = std::get_if<std::string>(&read)) {
        std::string text = ScrambleText(*bytes);
        // The format ends the text there, and with it every record after it: the next save would lose them.
        if (text.find('\0') != std::string::npos) return ReadFailure::ZeroByte;
        return text;
    }
    return read;
}

std::string LoadScrambledFile(const std::filesystem::path& path) {
    ScrambledFileRead read = ReadScrambledFile(path);
    std::string* text = std::get_if<std::string>(&read);
    return text != nullptr ? std::move(*text) : std::string();
}

bool SaveScrambledFile(std::string_view text, const std::filesystem::path& path) {
    return FitsScrambledFile(text) && ReplaceFileAtomically(path, ScrambleText(text));
}

}  // namespace app
