#pragma once
// Decoding of RFC 2047 encoded-words in received headers, and the ISO-2022-JP subject encoder for sent
// mail. Pure functions; malformed input yields a defined output, never an error.

#include <string>
#include <string_view>

namespace jcode {

// Decodes the encoded-words of the four recognised charsets (ISO-2022-JP, EUC-JP, SHIFT_JIS, UTF-8), in
// that order. ISO-2022-JP and EUC-JP content comes out as JIS, the others as Shift_JIS, so the result is
// always meant for JisToSjis. Other charsets stay verbatim.
std::string DecodeMimeHeader(std::string_view text);

// What any received header value is shown as: JisToSjis(DecodeMimeHeader(text)), Shift_JIS throughout.
std::string DecodeHeaderForDisplay(std::string_view text);

// A whole header, lines separated by CR LF, shown one line per header line. Which charset stages run is
// decided over the whole header as DecodeMimeHeader does; each runs on every line by itself, and a CR or
// LF a line's encoded-words yield becomes "?". JIS runs may still go on across a line end.
std::string DecodeHeaderLinesForDisplay(std::string_view lines);

// Decodes the encoded-words of one charset (matched without regard to case) and copies all other bytes.
std::string DecodeEncodedWords(std::string_view text, std::string_view charset);

// "B"/"b" base64, "Q"/"q" quoted form, anything else the payload unchanged.
std::string DecodeWordText(char encoding, std::string_view payload);

// Skips every byte outside the base64 alphabet; a single left-over value is dropped.
std::string Base64DecodeText(std::string_view text);

// Only "=" with two upper-case hex digits is decoded; "_" stays "_".
std::string QDecodeText(std::string_view text);

// Replaces every kanji run of an ISO-2022-JP text (with both of its escape sequences) by one encoded-word.
std::string EncodeJisHeader(std::string_view jis);

// "=?ISO-2022-JP?B?" + base64 of the bytes + "?=".
std::string EncodeJisWord(std::string_view bytes);

}  // namespace jcode
