#pragma once
// The settings of quillet.ini, section "Init": what the main window's settings controls hold.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace app {

// Value-initialised members; DefaultSettings() gives the defaults of the key table.
struct Settings {
    bool Minimize = false;      // hide to the tray one second after start
    bool HeaderAdd = false;     // the content view also shows the full header
    std::string IntervalTime;   // the interval field's text, minutes between checks
    std::string SoundFile;      // played on new mail
    std::string SendSubject;    // subject of refusal replies
    std::string ReceiveSubject; // subject marker of unsolicited advertisements
    int Volume = 0;             // track bar position, 0 to 255
    bool DesktopNotify = false; // new mail also goes to the desktop's notification service

    bool operator==(const Settings&) const = default;
};

inline constexpr std::string_view kSettingsSection = "Init";

// One key of the file: its name, the text that stands for it when the key is missing, how a stored text
// becomes the setting and how the setting is written. The table is the one place that knows all three.
struct SettingsKey {
    std::string_view name;
    std::string_view defaultText;
    void (*read)(Settings& settings, std::string_view stored);
    std::string (*write)(const Settings& settings);
};

// The keys in the order they are read and written.
std::span<const SettingsKey> SettingsKeys();

// The settings of a missing file.
Settings DefaultSettings();

// A missing or unreadable file (a folder, a pipe, a device, one beyond 16 MiB) gives the defaults, a missing
// key its default.
Settings LoadSettings(const std::filesystem::path& path);

// Writes every key into the file's "Init" section, keeping whatever else the file holds. False, with the
// file untouched, when a value holds a line break and so cannot be written as one line, or when a file is
// there that cannot be read: rewriting it would lose what it holds unseen.
bool SaveSettings(const Settings& settings, const std::filesystem::path& path);

// The minutes an interval text stands for: a whole number from 1 to 999 (the field takes three digits),
// anything else 15, as the field itself falls back to 15 when it is left empty or 0.
unsigned IntervalMinutes(std::string_view intervalText);

// The text unchanged when IntervalMinutes can use it, else "15": what the interval field shows when it is
// left empty, 0 or not a number.
std::string UsableIntervalText(std::string_view intervalText);

}  // namespace app
