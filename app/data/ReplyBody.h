#pragma once

#include <filesystem>
#include <string>

namespace app {

// The reply body that the text of quillon2.dat stands for: the default body when it is empty (the file
// missing, unreadable or empty).
std::string ReplyBodyFrom(std::string fileText);

// The reply body of quillon2.dat.
std::string LoadReplyBody(const std::filesystem::path& path);

}  // namespace app
