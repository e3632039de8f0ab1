#include "app/ScrambledFile.h"

#include <fstream>
#include <iterator>

#include "app/AtomicFile.h"

namespace app {
namespace {

constexpr unsigned char kScrambleKey = 0xA5;

// Conforming files are at most 81,910 bytes. A larger one is read whole rather than only its first
// 81,911 bytes, which (the byte order being reversed) would be the end of the text, cut mid-record; this
// bound only keeps a stray huge file from being read into memory.
constexpr std::size_t kReadLimit = 16 * 1024 * 1024;

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

std::optional<std::string> ReadScrambledFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) return std::string();
    const auto size = std::filesystem::file_size(path, error);
    if (error || size > kReadLimit) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string text = ScrambleText(std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    if (file.bad()) return std::nullopt;
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    return text;
}

std::string LoadScrambledFile(const std::filesystem::path& path) {
    return ReadScrambledFile(path).value_or(std::string());
}

bool SaveScrambledFile(std::string_view text, const std::filesystem::path& path) {
    return FitsScrambledFile(text) && ReplaceFileAtomically(path, ScrambleText(text));
}

}  // namespace app
