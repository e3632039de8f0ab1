#pragma once
// The new-mail sound and the stopping of the notification, as the check and the main window's buttons
// and volume track bar ask for them.

#include "app/data/Settings.h"
#include "app/log/EventLog.h"
#include "app/notify/DesktopNotice.h"
#include "app/notify/NewMailSound.h"
#include "app/notify/SoundPlayer.h"
#include "app/notify/Tray.h"

namespace app {

// Everything it is given is owned elsewhere and outlives it; the settings are read at every sound, so a
// field changed in the window counts from the next new mail on.
class NewMailNotifier final : public NewMailSound {
public:
    NewMailNotifier(const Settings& settings, SoundPlayer& player, Tray& tray, DesktopNotice& notice,
                    const EventLog& log)
        : settings_(settings), player_(player), tray_(tray), notice_(notice), log_(log) {}

    // Plays the sound file field, cutting short a sound still playing. A blank field or a name under which
    // no regular file exists plays nothing without a word; a file the player cannot play is logged as
    // SoundFailed with the field as typed, and what the player threw ends there. The desktop is notified
    // as well, unless the user turned that off, whether a sound plays or not.
    void PlayNewMailSound(const NewMail& mail) override;
    // The button that stops the music.
    void StopSound();
    // The sound, the tray's animation and the desktop notification, as a click on the tray icon stops them.
    void StopNotification();
    // A track bar position, held to 0..255.
    void ApplyVolume(int position);

private:
    const Settings& settings_;
    SoundPlayer& player_;
    Tray& tray_;
    DesktopNotice& notice_;
    const EventLog& log_;
};

}  // namespace app
