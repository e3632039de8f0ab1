// decode-header and encode-subject: filters from standard input to standard output, for scripts and for
// checking what the program makes of a header.

#include <functional>
#include <iostream>
#include <iterator>
#include <string>

#include "cli/DataDirOption.h"
#include "cli/TextCommands.h"
#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"

namespace cli {
namespace {

using Transform = std::function<std::string(std::string_view)>;

constexpr OptionSpec kLines{"--lines", false, "treat every input line as a value of its own"};

std::string ReadAll(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The whole input as one value, or with --lines every line on its own, each written followed by LF.
// A line loses its LF or CR LF; a CR that ends the input goes too, as the last line of a CR LF file
// saved without its final LF ends that way.
int Filter(const Options& options, Io& io, const Transform& transform) {
    const std::string input = ReadAll(io.in);
    if (!options.Has(kLines.name)) {
        io.out << transform(input);
        return kExitOk;
    }
    std::string_view rest = input;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        io.out << transform(line) << '\n';
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    return kExitOk;
}

int DecodeHeader(const Options& options, Io& io) {
    const bool utf8 = options.Has(kUtf8Option.name);
    return Filter(options, io, [utf8](std::string_view value) {
        std::string sjis = jcode::DecodeHeaderForDisplay(value);
        return utf8 ? jcode::SjisToUtf8(sjis) : sjis;
    });
}

int EncodeSubject(const Options& options, Io& io) {
    const bool utf8 = options.Has(kUtf8Option.name);
    return Filter(options, io, [utf8](std::string_view subject) {
        const std::string sjis = utf8 ? jcode::Utf8ToSjisStrict(subject) : std::string(subject);
        return jcode::EncodeJisHeader(jcode::SjisToJis(sjis));
    });
}

}  // namespace

Command DecodeHeaderCommand() {
    return {
    "decode-header",
    "decode a raw header value to Shift_JIS (or UTF-8)",
    "Reads one raw header value from standard input and writes it decoded, as the program shows it:\n"
    "encoded-words and ISO-2022-JP become Shift_JIS. No newline is added.",
    {kUtf8Option, kLines, kIgnoredDataDirOption},
    &DecodeHeader,
    };
}

Command EncodeSubjectCommand() {
    return {
    "encode-subject",
    "encode a subject for sending (ISO-2022-JP encoded-words)",
    "Reads a subject in Shift_JIS from standard input and writes it as the program sends it:\n"
    "ISO-2022-JP with every kanji run as one encoded-word. No newline is added.",
    {{kUtf8Option.name, false, "read UTF-8 (the default where the locale is UTF-8)"}, kLines, kIgnoredDataDirOption},
    &EncodeSubject,
    };
}

}  // namespace cli
