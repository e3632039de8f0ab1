#include "cli/TerminalEncoding.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/DataDirOption.h"

namespace cli {
namespace {

// The locale name the C library would use for LC_CTYPE: the first of these that is set and not empty.
std::string_view CtypeLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return value;
    }
    return "C";
}

// "ja_JP.UTF-8", "en_US.utf8@euro": the codeset between the dot and the modifier.
bool NameSaysUtf8(std::string_view name) {
    const std::size_t dot = name.find('.');
    if (dot == std::string_view::npos) return false;
    std::string codeset(name.substr(dot + 1, name.find('@', dot) - dot - 1));
    std::erase(codeset, '-');
    std::transform(codeset.begin(), codeset.end(), codeset.begin(), [](unsigned char c) { return std::tolower(c); });
    return codeset == "utf8";
}

}  // namespace

bool LocaleIsUtf8() {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    // A desktop whose ja_JP.UTF-8 was never generated still runs its terminals in UTF-8: the name decides there.
    if (std::setlocale(LC_CTYPE, "") == nullptr) return NameSaysUtf8(CtypeLocaleName());
    const bool utf8 = std::string_view(nl_langinfo(CODESET)) == "UTF-8";
    std::setlocale(LC_CTYPE, previous.c_str());
    return utf8;
}

bool ChooseTextEncoding(Options& options, const Io& io) {
    const bool utf8 = options.Has(kUtf8Option.name);
    const bool sjis = options.Has(kSjisOption.name);
    if (utf8 && sjis) return false;
    if (!sjis && io.localeIsUtf8) options.Set(kUtf8Option.name, "");
    return true;
}

}  // namespace cli
