#pragma once

#include <string_view>

namespace app {

// The player behind the new-mail sound: at most one sound open at a time, played asynchronously.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // False when nothing is open.
    virtual bool IsPlaying() = 0;
    // Failures of these three are the player's own matter and are not reported.
    virtual void Stop() = 0;
    virtual void Close() = 0;
    // Opens the file named by the Shift_JIS text, closing any sound still open. Throws std::runtime_error
    // with the sound library's message when it cannot be opened.
    virtual void Open(std::string_view fileName) = 0;
    // Starts playing what is open and returns at once; the sound stays open after it has ended.
    virtual void Play() = 0;
    // Linear, 0 (silent) to 255 (full scale), for what plays now and everything played later. A failure
    // is ignored.
    virtual void SetVolume(int position) = 0;
};

}  // namespace app
