#include "app/data/Settings.h"

#include <algorithm>
#include <charconv>

#include "app/Texts.h"
#include "app/Trim.h"
#include "app/data/ProfileFile.h"

namespace app {
namespace {

constexpr unsigned kDefaultIntervalMinutes = 15;
constexpr unsigned kLongestIntervalMinutes = 999;
constexpr int kDefaultVolume = 125;
constexpr int kLoudestVolume = 255;

std::optional<int> WholeNumber(std::string_view text) {
    if (text.starts_with('+')) text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// Digits only, as the interval field accepts nothing else.
bool IsUsableInterval(std::string_view text) {
    text = Trim(text);
    if (text.empty() || !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; })) return false;
    const auto minutes = WholeNumber(text);
    return minutes && *minutes >= 1 && *minutes <= static_cast<int>(kLongestIntervalMinutes);
}

std::string Trimmed(std::string_view text) { return std::string(Trim(text)); }

// The flags are on only for the exact, case-sensitive texts they are written as.
constexpr SettingsKey kKeys[] = {
    {"Minimize", "False", [](Settings& s, std::string_view v) { s.Minimize = v == "True"; },
     [](const Settings& s) { return std::string(s.Minimize ? "True" : "False"); }},
    {"HeaderAdd", "On", [](Settings& s, std::string_view v) { s.HeaderAdd = v == "On"; },
     [](const Settings& s) { return std::string(s.HeaderAdd ? "On" : "Off"); }},
    // A stored interval the timer could not use (not a whole number, 0, too long for the field) shows as
    // 15, so the field and the timer agree.
    {"IntervalTime", "15",
     [](Settings& s, std::string_view v) {
         s.IntervalTime = UsableIntervalText(v);
     },
     [](const Settings& s) { return Trimmed(s.IntervalTime); }},
    {"SoundFile", "", [](Settings& s, std::string_view v) { s.SoundFile = v; },
     [](const Settings& s) { return Trimmed(s.SoundFile); }},
    {"SendSubject", kDefaultSendSubject, [](Settings& s, std::string_view v) { s.SendSubject = v; },
     [](const Settings& s) { return Trimmed(s.SendSubject); }},
    {"ReceiveSubject", kDefaultReceiveSubject, [](Settings& s, std::string_view v) { s.ReceiveSubject = v; },
     [](const Settings& s) { return Trimmed(s.ReceiveSubject); }},
    // The track bar holds 0 to 255 and clamps what it is given.
    {"Volume", "125",
     [](Settings& s, std::string_view v) { s.Volume = std::clamp(WholeNumber(v).value_or(kDefaultVolume), 0, kLoudestVolume); },
     [](const Settings& s) { return std::to_string(s.Volume); }},
    // Files written before the desktop notification existed lack the key, and get it on.
    {"DesktopNotify", "On", [](Settings& s, std::string_view v) { s.DesktopNotify = v == "On"; },
     [](const Settings& s) { return std::string(s.DesktopNotify ? "On" : "Off"); }},
};

}  // namespace

std::span<const SettingsKey> SettingsKeys() { return kKeys; }

std::string UsableIntervalText(std::string_view intervalText) {
    return IsUsableInterval(intervalText) ? std::string(intervalText) : std::to_string(kDefaultIntervalMinutes);
}

unsigned IntervalMinutes(std::string_view intervalText) {
    if (!IsUsableInterval(intervalText)) return kDefaultIntervalMinutes;
    return static_cast<unsigned>(*WholeNumber(Trim(intervalText)));
}

Settings DefaultSettings() {
    Settings settings;
    for (const SettingsKey& key : kKeys) key.read(settings, key.defaultText);
    return settings;
}

Settings LoadSettings(const std::filesystem::path& path) {
    const ProfileFile profile = ProfileFile::Load(path);
    Settings settings;
    for (const SettingsKey& key : kKeys) {
        key.read(settings, profile.Value(kSettingsSection, key.name).value_or(std::string(key.defaultText)));
    }
    return settings;
}

bool SaveSettings(const Settings& settings, const std::filesystem::path& path) {
    std::optional<ProfileFile> profile = ProfileFile::Read(path);
    if (!profile) return false;
    // One value that cannot be stored fails the whole save before the file is touched.
    for (const SettingsKey& key : kKeys) {
        if (!profile->SetValue(kSettingsSection, key.name, key.write(settings))) return false;
    }
    return profile->Save(path);
}

}  // namespace app
