#include "net/BufferStream.h"
#include "net/MemoryStream.h"
#include "net/NMUUProcessor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace net {
namespace {

struct Coded {
    std::string text;
    std::vector<std::string> events;
    std::int64_t outputPosition = -1;
};

Coded Encode(const std::string& input, UUMethods method)
{
    MemoryStream in(input);
    in.SetPosition(static_cast<std::int64_t>(input.size()));  // the coder starts from 0 on its own
    MemoryStream out;
    Coded coded;
    {
        TS_BufferStream buffered(out);
        TNMUUProcessor coder;
        EXPECT_EQ(coder.Method, UUMethods::uuMime);
        coder.Method = method;
        coder.InputStream = &in;
        coder.OutputStream = &buffered;
        coder.OnBeginEncode = [&](TNMUUProcessor&) { coded.events.push_back("Begin"); };
        coder.OnEndEncode = [&](TNMUUProcessor&) { coded.events.push_back("End"); };
        coder.Encode();
        coded.outputPosition = buffered.Position();
        // Everything has reached the memory stream before the buffered stream goes.
        coded.text = out.Bytes();
    }
    return coded;
}

TEST(UUProcessor, Base64LinesCarry45BytesWithPadding)
{
    EXPECT_EQ(Encode("abc", UUMethods::uuMime).text, "YWJj\r\n");
    EXPECT_EQ(Encode("a", UUMethods::uuMime).text, "YQ==\r\n");
    EXPECT_EQ(Encode("ab", UUMethods::uuMime).text, "YWI=\r\n");
    EXPECT_EQ(Encode("", UUMethods::uuMime).text, "");

    const std::string input(46, '\xff');
    const Coded coded = Encode(input, UUMethods::uuMime);
    EXPECT_EQ(coded.text, std::string(60, '/') + "\r\n" + "/w==\r\n");
    EXPECT_EQ(coded.events, (std::vector<std::string>{"Begin", "End"}));
    EXPECT_EQ(coded.outputPosition, 0);
}

TEST(UUProcessor, UuencodeLinesStartWithTheirLengthAndEndWithAGraveAccent)
{
    EXPECT_EQ(Encode("", UUMethods::uuCode).text, "`\r\n");
    // "Cat" is the classic example; a zero value is the grave accent, not a blank.
    EXPECT_EQ(Encode("Cat", UUMethods::uuCode).text, "#0V%T\r\n`\r\n");
    EXPECT_EQ(Encode(std::string(3, '\0'), UUMethods::uuCode).text, "#````\r\n`\r\n");

    const std::string lines = Encode(std::string(45, 'x') + "0123456789", UUMethods::uuCode).text;
    std::string fullLine = "M";
    for (int i = 0; i < 15; ++i) {
        fullLine += ">'AX";
    }
    // Ten bytes (length character *): three groups of four, then the last byte with two characters,
    // not padded to a group.
    EXPECT_EQ(lines, fullLine + "\r\n" + "*,#$R,S0U-C<X.0\r\n" + "`\r\n");
}

// Takes the first line, then is full.
class FillingStream : public MemoryStream {
public:
    std::int64_t Write(const void* buffer, std::int64_t count) override
    {
        return Bytes().empty() ? MemoryStream::Write(buffer, count) : 0;
    }
};

TEST(UUProcessor, AFailedWriteStillEndsTheRunAndRewindsTheOutput)
{
    MemoryStream in(std::string(46, '\xff'));
    FillingStream out;
    TNMUUProcessor coder;
    int ended = 0;
    coder.OnEndEncode = [&](TNMUUProcessor&) { ++ended; };
    coder.InputStream = &in;
    coder.OutputStream = &out;
    EXPECT_THROW(coder.Encode(), EStreamError);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(out.Bytes(), std::string(60, '/') + "\r\n");
    EXPECT_EQ(out.Position(), 0);

    TNMUUProcessor unassigned;
    EXPECT_THROW(unassigned.Encode(), Exception);
}

}  // namespace
}  // namespace net
