#include "app/notify/NewMailNotifier.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "app/Trim.h"
#include "jcode/DisplayText.h"

namespace app {

namespace {

// The name is looked up as typed, blanks included, and only the player gets it trimmed: a field that merely
// looks right (a blank before the name) stays silent instead of sounding from a guess.
bool IsRegularFile(std::string_view sjisName) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(std::filesystem::path(jcode::SjisToUtf8(sjisName)), ignored);
}

}  // namespace

void NewMailNotifier::PlayNewMailSound(const NewMail& mail) {
    if (settings_.DesktopNotify && mail.Count > 0) notice_.Show(mail);
    const std::string_view typed = settings_.SoundFile;
    const std::string_view name = Trim(typed);
    if (name.empty() || !IsRegularFile(typed)) return;
    try {
        if (player_.IsPlaying()) player_.Stop();
        player_.Close();
        player_.Open(name);
        player_.Play();
    } catch (const std::exception&) {
        log_.Record(LogEvent::SoundFailed, typed);
    }
}

void NewMailNotifier::StopSound() {
    if (player_.IsPlaying()) player_.Stop();
}

void NewMailNotifier::StopNotification() {
    StopSound();
    if (tray_.Animating()) tray_.StopAnimation();
    notice_.Close();
}

void NewMailNotifier::ApplyVolume(int position) {
    player_.SetVolume(std::clamp(position, 0, 255));
}

}  // namespace app
