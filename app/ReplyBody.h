#pragma once

#include <filesystem>
#include <string>

namespace app {

// The reply body of quillon2.dat, or the default body when the file is missing, unreadable or empty.
std::string LoadReplyBody(const std::filesystem::path& path);

}  // namespace app
