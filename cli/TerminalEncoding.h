#pragma once

#include "cli/Command.h"

namespace cli {

// Whether the user's locale (LC_ALL, LC_CTYPE, LANG) has UTF-8 as its codeset; a locale that is not installed
// counts by its name ("ja_JP.UTF-8"). The process's own locale is left as it was, so nothing else starts
// reading bytes the locale's way.
bool LocaleIsUtf8();

// A command that offers --utf8 writes UTF-8 when given it, Shift_JIS when given --sjis, and otherwise
// what the terminal's locale reads: `options` then holds --utf8 exactly where UTF-8 is to be written.
// Returns false, with `options` untouched, when both flags were given.
bool ChooseTextEncoding(Options& options, const Io& io);

}  // namespace cli
