#include "net/NMUUProcessor.h"

#include "net/Stream.h"

#include <string>

namespace net {

namespace {
constexpr std::int64_t kBytesPerLine = 45;

constexpr char kMimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Value v is the character v + 32, except that 0 is the grave accent: a blank would be lost by
// gateways that strip trailing blanks.
constexpr char kUuAlphabet[] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

void WriteAll(Stream& output, const std::string& text)
{
    if (output.Write(text.data(), static_cast<std::int64_t>(text.size())) != static_cast<std::int64_t>(text.size())) {
        throw EStreamError("Encoded text could not be written");
    }
}
}  // namespace

void TNMUUProcessor::Encode()
{
    if (InputStream == nullptr || OutputStream == nullptr) {
        throw Exception("Encoding needs an input and an output stream");
    }
    const bool uuencode = Method == UUMethods::uuCode;
    const char* alphabet = uuencode ? kUuAlphabet : kMimeAlphabet;
    InputStream->SetPosition(0);
    if (OnBeginEncode) {
        OnBeginEncode(*this);
    }
    const auto finish = [this] {
        OutputStream->SetPosition(0);
        if (OnEndEncode) {
            OnEndEncode(*this);
        }
    };
    try {
        EncodeLines(alphabet, uuencode);
        if (uuencode) {
            WriteAll(*OutputStream, std::string(1, alphabet[0]) + "\r\n");
        }
    } catch (...) {
        try {
            finish();
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    finish();
}

void TNMUUProcessor::EncodeLines(const char* alphabet, bool uuencode)
{
    const std::int64_t size = InputStream->Size();
    unsigned char bytes[kBytesPerLine];
    while (InputStream->Position() < size) {
        const std::int64_t count = InputStream->Read(bytes, kBytesPerLine);
        if (count <= 0) {
            throw EStreamError("Input ended before its size");
        }
        std::string line;
        if (uuencode) {
            line += alphabet[count & 63];
        }
        std::int64_t i = 0;
        for (; i + 3 <= count; i += 3) {
            const unsigned b = bytes[i], c = bytes[i + 1], d = bytes[i + 2];
            line += alphabet[b >> 2];
            line += alphabet[((b << 4) & 63) | (c >> 4)];
            line += alphabet[((c << 2) & 63) | (d >> 6)];
            line += alphabet[d & 63];
        }
        if (count - i == 1) {
            const unsigned b = bytes[i];
            line += alphabet[b >> 2];
            line += alphabet[(b << 4) & 48];
            if (!uuencode) {
                line += "==";
            }
        } else if (count - i == 2) {
            const unsigned b = bytes[i], c = bytes[i + 1];
            line += alphabet[b >> 2];
            line += alphabet[((b << 4) & 63) | (c >> 4)];
            line += alphabet[(c << 2) & 60];
            if (!uuencode) {
                line += "=";
            }
        }
        line += "\r\n";
        WriteAll(*OutputStream, line);
    }
}

}  // namespace net
