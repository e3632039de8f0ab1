#pragma once

#include <filesystem>
#include <string_view>

namespace app {

// Replaces the file at `path` with `bytes`, owner-only (mode 0600). The bytes go to a temporary file in the
// same folder that is then renamed over the old one, so a crash or a full disk leaves either the old file or
// the new one, never a half-written file or none. False when anything failed; the old file is then untouched.
bool ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace app
