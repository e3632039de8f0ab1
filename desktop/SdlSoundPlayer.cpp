#include "desktop/SdlSoundPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "jcode/DisplayText.h"

namespace desktop {

namespace {

static_assert(MIX_MAX_VOLUME == 128, "the header's initial volume is full scale in the mixer's steps");

// About 46 ms at 44.1 kHz: the sound may start that much late, which nobody notices in a notification,
// and a busy machine gets few wake-ups for it.
constexpr int kChunkFrames = 2048;

// The SDL error text, taken before a clean-up call can replace it.
std::runtime_error SdlError() { return std::runtime_error(SDL_GetError()); }

// Starts SDL's audio for one sound; every successful call is paired with CloseOutput.
void OpenOutput() {
    // SDL would otherwise catch SIGINT and SIGTERM and turn them into a quit event that this program
    // never reads, so Ctrl+C in a terminal would stop ending it while a sound is open.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw SdlError();
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, kChunkFrames) != 0) {
        const std::runtime_error error = SdlError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw error;
    }
}

void CloseOutput() {
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace

SdlSoundPlayer::~SdlSoundPlayer() { Close(); }

bool SdlSoundPlayer::IsPlaying() { return music_ != nullptr && Mix_PlayingMusic() != 0; }

void SdlSoundPlayer::Stop() {
    if (music_ != nullptr) Mix_HaltMusic();
}

void SdlSoundPlayer::Close() {
    if (music_ == nullptr) return;
    Mix_HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
    CloseOutput();
}

void SdlSoundPlayer::Open(std::string_view fileName) {
    Close();
    const std::string path = jcode::SjisToUtf8(fileName);
    // The C string would end at the zero byte and name another file.
    if (path.find('\0') != std::string::npos) throw std::runtime_error("the file name holds a zero byte");
    OpenOutput();
    // Music is decoded while it plays, where a chunk would be decoded whole into memory first: a long
    // MP3 or Ogg file picked as the sound starts at once and costs a buffer, not its full length in PCM.
    music_ = Mix_LoadMUS(path.c_str());
    if (music_ == nullptr) {
        const std::runtime_error error = SdlError();
        CloseOutput();
        throw error;
    }
}

void SdlSoundPlayer::Play() {
    if (music_ == nullptr) throw std::runtime_error("no sound is open");
    Mix_VolumeMusic(mixerVolume_);
    if (Mix_PlayMusic(music_, 1) != 0) throw SdlError();
}

void SdlSoundPlayer::SetVolume(int position) {
    // Linear: the track bar's 0..255 scaled to the mixer's 0..128, rounded to the nearest step.
    mixerVolume_ = (std::clamp(position, 0, 255) * MIX_MAX_VOLUME + 127) / 255;
    if (music_ != nullptr) Mix_VolumeMusic(mixerVolume_);
}

}  // namespace desktop
