#pragma once
// quillon.dat and quillon2.dat are stored scrambled: byte order reversed and every byte XORed with 0xA5.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/data/RegularFile.h"

namespace app {

// The format reads through a buffer of 81,911 bytes and ends the text at a zero byte, so this is the most
// a data file can hold.
inline constexpr std::size_t kScrambledFileCapacity = 81910;

// Output byte n-1-i is input byte i XOR 0xA5. Its own inverse.
std::string ScrambleText(std::string_view text);

// Whether SaveScrambledFile can store the text so that it loads back unchanged: within the capacity and
// without a zero byte, which would end the text early on loading.
bool FitsScrambledFile(std::string_view text);

// The unscrambled text, empty when the file is missing; for a file that is there but cannot be read whole,
// why. A zero byte in the text is such a file: nothing the program writes holds one.
using ScrambledFileRead = RegularFileRead;
ScrambledFileRead ReadScrambledFile(const std::filesystem::path& path);

// The same with a file that cannot be read taken as empty.
std::string LoadScrambledFile(const std::filesystem::path& path);

// Scrambles the text and replaces the file with it atomically, owner-only. A text that does not fit is
// refused rather than cut. False on any failure, leaving the old file as it was.
bool SaveScrambledFile(std::string_view text, const std::filesystem::path& path);

}  // namespace app
