#include "app/data/ReplyBody.h"

#include "app/Texts.h"
#include "app/data/ScrambledFile.h"

namespace app {

std::string ReplyBodyFrom(std::string fileText) {
    return fileText.empty() ? std::string(kDefaultReplyBody) : fileText;
}

std::string LoadReplyBody(const std::filesystem::path& path) { return ReplyBodyFrom(LoadScrambledFile(path)); }

}  // namespace app
