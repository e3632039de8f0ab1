#pragma once
// TNMUUProcessor: turns the bytes of one stream into lines of printable text in another, as MIME base64
// or as uuencode, 45 input bytes to a line. There is no decoding direction: the program never downloads a
// body. The caller owns both streams.

#include <functional>

namespace net {

class Stream;

enum class UUMethods { uuMime = 0, uuCode = 1 };

class TNMUUProcessor {
public:
    using NotifyEvent = std::function<void(TNMUUProcessor& sender)>;

    UUMethods Method = UUMethods::uuMime;
    Stream* InputStream = nullptr;
    Stream* OutputStream = nullptr;

    NotifyEvent OnBeginEncode;
    // Also after a failure.
    NotifyEvent OnEndEncode;

    // Encodes all of InputStream from its start. OutputStream ends at position 0, so a buffered output
    // stream has written everything through.
    void Encode();

private:
    void EncodeLines(const char* alphabet, bool uuencode);
};

}  // namespace net
