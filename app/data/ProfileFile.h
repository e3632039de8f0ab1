#pragma once
// A Windows-style profile file: "[Section]" lines, then "Key=Value" lines. Section and key names match
// without regard to ASCII case, values are read trimmed and without a pair of quotes around them, the
// first of duplicate sections or keys wins, and a rewrite keeps every other line (other sections,
// comments) as it was. Bytes are not converted: the settings are Shift_JIS in the file as in memory.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

class ProfileFile {
public:
    // A missing file is an empty profile; a file that is there but cannot be read (see ReadRegularFile),
    // nothing.
    static std::optional<ProfileFile> Read(const std::filesystem::path& path);
    // The same with an unreadable file taken as an empty profile.
    static ProfileFile Load(const std::filesystem::path& path);
    static ProfileFile Parse(std::string_view text);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // Replaces the key's line, or adds it after the section's last key, or adds the section at the end.
    // A name or value holding CR or LF cannot stay on its line (the rest would be read back as lines of
    // their own): refused with false, the profile unchanged.
    [[nodiscard]] bool SetValue(std::string_view section, std::string_view key, std::string_view value);

    // The file's text, every line ending in CR LF.
    std::string Text() const;
    bool Save(const std::filesystem::path& path) const;

private:
    struct SectionSpan {
        std::size_t header;  // index of the "[...]" line
        std::size_t end;     // index of the line after the section
    };
    std::optional<SectionSpan> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const SectionSpan& span, std::string_view key) const;

    std::vector<std::string> lines_;
};

}  // namespace app
