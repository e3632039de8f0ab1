#include "app/ReplyBody.h"

#include "app/ScrambledFile.h"
#include "app/Texts.h"

namespace app {

std::string ReplyBodyFrom(std::string fileText) {
    return fileText.empty() ? std::string(kDefaultReplyBody) : fileText;
}

std::string LoadReplyBody(const std::filesystem::path& path) { return ReplyBodyFrom(LoadScrambledFile(path)); }

}  // namespace app
