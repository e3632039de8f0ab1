#include "app/data/ProfileFile.h"

#include <variant>

#include "app/Trim.h"
#include "app/data/AtomicFile.h"
#include "app/data/RegularFile.h"
#include "jcode/SjisBytes.h"

namespace app {
namespace {

// Case folding only for single-byte ASCII letters: the second byte of a Shift_JIS pair may look like a
// letter and must still compare exactly.
bool EqualNames(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (jcode::IsSjisLead(x) && i + 1 < a.size()) {
            if (x != y || a[i + 1] != b[i + 1]) return false;
            ++i;
            continue;
        }
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(x) != lower(y)) return false;
    }
    return true;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (!line.starts_with('[')) return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// A value may be quoted to keep blanks or a path with spaces together, as the Windows profile reader
// allows: one pair of matching double or single quotes around the whole trimmed value is dropped.
std::string_view Unquoted(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || Trim(line).starts_with(';')) return std::nullopt;
    return KeyLine{Trim(line.substr(0, equals)), Unquoted(Trim(line.substr(equals + 1)))};
}

bool FitsOnALine(std::string_view text) { return text.find_first_of("\r\n") == std::string_view::npos; }

std::string KeyLineText(std::string_view key, std::string_view value) {
    std::string line(key);
    line += '=';
    line += value;
    return line;
}

}  // namespace

std::optional<ProfileFile> ProfileFile::Read(const std::filesystem::path& path) {
    const RegularFileRead read = ReadRegularFile(path);
    const std::string* text = std::get_if<std::string>(&read);
    if (text == nullptr) return std::nullopt;
    return Parse(*text);
}

ProfileFile ProfileFile::Load(const std::filesystem::path& path) { return Read(path).value_or(ProfileFile()); }

ProfileFile ProfileFile::Parse(std::string_view text) {
    ProfileFile profile;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        profile.lines_.emplace_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return profile;
}

std::optional<ProfileFile::SectionSpan> ProfileFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (!name || !EqualNames(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end])) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileFile::FindKey(const SectionSpan& span, std::string_view key) const {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto keyLine = ParseKeyLine(lines_[i]);
        if (keyLine && EqualNames(keyLine->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileFile::Value(std::string_view section, std::string_view key) const {
    const auto span = FindSection(section);
    if (!span) return std::nullopt;
    const auto line = FindKey(*span, key);
    if (!line) return std::nullopt;
    return std::string(ParseKeyLine(lines_[*line])->value);
}

bool ProfileFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    if (!FitsOnALine(section) || !FitsOnALine(key) || !FitsOnALine(value)) return false;
    const auto span = FindSection(section);
    if (!span) {
        if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
        // Appended piece by piece: "[" + std::string(...) trips a false -Wrestrict in GCC 12.
        std::string header = "[";
        header += section;
        header += ']';
        lines_.push_back(std::move(header));
        lines_.push_back(KeyLineText(key, value));
        return true;
    }
    if (const auto line = FindKey(*span, key)) {
        lines_[*line] = KeyLineText(key, value);
        return true;
    }
    std::size_t after = span->header + 1;
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
        if (ParseKeyLine(lines_[i])) after = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after), KeyLineText(key, value));
    return true;
}

std::string ProfileFile::Text() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

bool ProfileFile::Save(const std::filesystem::path& path) const { return ReplaceFileAtomically(path, Text()); }

}  // namespace app
