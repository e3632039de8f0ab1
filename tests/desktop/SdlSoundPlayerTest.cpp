#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "desktop/SdlSoundPlayer.h"
#include "tests/app/TempFolder.h"

namespace {

constexpr std::uint32_t kFrames = 44100 / 5;  // 0.2 s at the output's own rate and format: nothing converts it
constexpr int kAmplitude = 32000;

// `value` as `bytes` little-endian bytes, as WAV headers and samples are written.
std::string LittleEndian(std::uint32_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += static_cast<char>(value >> (8 * i));
    return text;
}

// A 16-bit stereo PCM square wave of kAmplitude, every sample of it sounding.
std::string SquareWave() {
    std::string wav = "RIFF" + LittleEndian(36 + kFrames * 4, 4) + "WAVEfmt " + LittleEndian(16, 4) +
                      LittleEndian(1, 2) + LittleEndian(2, 2) + LittleEndian(44100, 4) + LittleEndian(44100 * 4, 4) +
                      LittleEndian(4, 2) + LittleEndian(16, 2) + "data" + LittleEndian(kFrames * 4, 4);
    for (std::uint32_t frame = 0; frame < kFrames; ++frame) {
        const int level = frame / 220 % 2 ? -kAmplitude : kAmplitude;  // 100 Hz
        const std::string sample = LittleEndian(static_cast<std::uint16_t>(level), 2);
        wav += sample + sample;
    }
    return wav;
}

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

// SDL's disk driver writes what the output plays to a file, as raw samples in the output's format.
struct Capture {
    TempFolder temp;
    const std::string sound = temp.Path().string() + "/\x82\xa0.wav";  // Shift_JIS "a", so the name converts

    Capture() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (temp.Path() / "capture.raw").c_str(), 1);
        WriteBytes(temp.Path() / "\xe3\x81\x82.wav", SquareWave());
    }
    std::vector<std::int16_t> Samples() const {
        const std::string bytes = ReadBytes(temp.Path() / "capture.raw").value_or("");
        std::vector<std::int16_t> samples(bytes.size() / 2);
        if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        return samples;
    }
};

double Peak(const std::vector<std::int16_t>& samples, std::size_t from = 0) {
    int peak = 0;
    for (std::size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(samples[i]));
    return static_cast<double>(peak) / kAmplitude;
}

// The message Open throws, empty when it opened.
std::string OpenError(desktop::SdlSoundPlayer& player, const std::string& name) {
    try {
        player.Open(name);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(SdlSoundPlayer, PlaysOnceAtTheVolumeSetBeforeAnyOutputWasOpen) {
    for (const auto& [position, level] : {std::pair{255, 1.0}, {64, 0.25}, {0, 0.0}}) {
        SCOPED_TRACE(position);
        Capture capture;
        desktop::SdlSoundPlayer player;
        player.SetVolume(position);
        player.Open(capture.sound);
        player.Play();
        EXPECT_TRUE(player.IsPlaying());  // returned at once
        EXPECT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }));
        player.Close();
        const std::vector<std::int16_t> samples = capture.Samples();
        EXPECT_NEAR(Peak(samples), level, 0.001);
        const auto sounding = std::count_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; });
        EXPECT_EQ(sounding, level == 0 ? 0 : std::ptrdiff_t{kFrames} * 2);
    }
}

TEST(SdlSoundPlayer, TakesAVolumeChangeWhilePlayingAndKeepsTheSoundOpenAfterItEnded) {
    Capture capture;
    desktop::SdlSoundPlayer player;
    player.Open(capture.sound);
    player.Play();
    ASSERT_TRUE(WaitUntil([&] { return Peak(capture.Samples()) > 0.99; }));
    player.SetVolume(64);
    EXPECT_TRUE(WaitUntil([&] { return !player.IsPlaying(); }));
    std::vector<std::int16_t> samples = capture.Samples();
    samples.erase(std::find_if(samples.rbegin(), samples.rend(), [](std::int16_t s) { return s != 0; }).base(),
                  samples.end());
    EXPECT_NEAR(Peak(samples, samples.size() - 1000), 0.25, 0.001);  // the sound's last frames
    player.Play();
    EXPECT_TRUE(player.IsPlaying());
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
}

TEST(SdlSoundPlayer, RefusesWithSdlsMessageWhatItCannotPlayOnOrDecodeAndOpensAfterwards) {
    Capture capture;
    desktop::SdlSoundPlayer player;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_NE(OpenError(player, capture.sound), "");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    WriteBytes(capture.temp.Path() / "notes.wav", "not a sound\n");
    EXPECT_NE(OpenError(player, capture.temp.Path().string() + "/notes.wav"), "");
    EXPECT_FALSE(player.IsPlaying());
    player.Open(capture.sound);
    player.Play();
    EXPECT_TRUE(player.IsPlaying());
}

}  // namespace
