#include "app/ReplyBody.h"

#include "app/ScrambledFile.h"
#include "app/Texts.h"

namespace app {

std::string LoadReplyBody(const std::filesystem::path& path) {
    std::string body = LoadScrambledFile(path);
    return body.empty() ? std::string(kDefaultReplyBody) : body;
}

}  // namespace app
