#pragma once
// The new-mail sound player on SDL2_mixer.

#include <string_view>

#include "app/notify/SoundPlayer.h"

// SDL_mixer's own declaration, so the windows that hold a player need not see SDL's headers.
typedef struct _Mix_Music Mix_Music;

namespace desktop {

// The audio output is opened with a sound and released with it: between Close and the next Open the
// program holds no audio device or sound server stream, and a device that was missing at one Open is
// looked for afresh at the next.
class SdlSoundPlayer final : public app::SoundPlayer {
public:
    SdlSoundPlayer() = default;
    ~SdlSoundPlayer() override;
    SdlSoundPlayer(const SdlSoundPlayer&) = delete;
    SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;

    bool IsPlaying() override;
    void Stop() override;
    void Close() override;
    void Open(std::string_view fileName) override;
    void Play() override;
    void SetVolume(int position) override;

private:
    // Open while a sound is: set exactly when the audio output is open too.
    Mix_Music* music_ = nullptr;
    // In the mixer's own steps, 0 to 128; kept for the next output when none is open.
    int mixerVolume_ = 128;
};

}  // namespace desktop
