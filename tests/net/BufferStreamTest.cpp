#include "net/BufferStream.h"
#include "net/FileStream.h"
#include "net/MemoryStream.h"

#include "tests/net/MessageOf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

namespace net {
namespace {

// Records the size of every write that reaches it.
class RecordingStream : public MemoryStream {
public:
    using MemoryStream::MemoryStream;
    std::int64_t Write(const void* source, std::int64_t count) override
    {
        writes.push_back(count);
        return MemoryStream::Write(source, count);
    }
    std::vector<std::int64_t> writes;
};

// Takes no more bytes than it has room for, as a full medium does.
class ShortWritingStream : public MemoryStream {
public:
    explicit ShortWritingStream(std::int64_t room) : room_(room) {}
    std::int64_t Write(const void* source, std::int64_t count) override
    {
        const std::int64_t taken = MemoryStream::Write(source, std::min(count, room_));
        room_ -= taken;
        return taken;
    }

private:
    std::int64_t room_;
};

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    return bytes;
}

std::string ReadAll(Stream& stream, std::int64_t count)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    bytes.resize(static_cast<std::size_t>(stream.Read(bytes.data(), count)));
    return bytes;
}

TEST(BufferStream, WritesReachTheUnderlyingStreamOneBlockAtATimeAndAtTheSeek)
{
    RecordingStream underlying;
    TS_BufferStream buffered(underlying);
    int flushes = 0;
    buffered.OnFlushBuffer = [&](TS_BufferStream&) { ++flushes; };
    const std::string data = Pattern(40000);

    EXPECT_EQ(buffered.Write(data.data(), 40000), 40000);
    EXPECT_EQ(underlying.writes, (std::vector<std::int64_t>{32768}));
    EXPECT_EQ(buffered.Position(), 40000);
    EXPECT_EQ(buffered.Seek(0, kSeekFromBeginning), 0);
    EXPECT_EQ(underlying.writes, (std::vector<std::int64_t>{32768, 7232}));
    EXPECT_EQ(flushes, 2);
    EXPECT_EQ(ReadAll(buffered, 40000), data);
    EXPECT_EQ(underlying.Bytes(), data);
}

TEST(BufferStream, AnUnderlyingStreamThatTakesFewerBytesStopsWriteAndFailsSeek)
{
    const std::string data = Pattern(40000);
    ShortWritingStream full(100);
    TS_BufferStream writer(full);
    // The first block's flush comes up short, so the rest is not taken.
    EXPECT_EQ(writer.Write(data.data(), 40000), 32768);
    EXPECT_EQ(full.Bytes(), data.substr(0, 100));

    ShortWritingStream almostFull(2);
    TS_BufferStream seeker(almostFull);
    EXPECT_EQ(seeker.Write("abcdef", 6), 6);
    EXPECT_EQ(MessageOf<EStreamError>([&] { seeker.Seek(0, kSeekFromBeginning); }), "Seek error");
    EXPECT_EQ(almostFull.Bytes(), "ab");
    // The failed seek never moved the underlying stream to its target.
    EXPECT_EQ(almostFull.Position(), 2);
}

TEST(BufferStream, ReadsDeliverEverythingAndStopShortAtTheEnd)
{
    const std::string data = Pattern(70000);
    MemoryStream underlying(data);
    TS_BufferStream buffered(underlying);
    int fills = 0;
    buffered.OnFillBuffer = [&](TS_BufferStream&) { ++fills; };
    EXPECT_EQ(ReadAll(buffered, 100), data.substr(0, 100));
    EXPECT_EQ(buffered.Position(), 100);
    EXPECT_EQ(underlying.Position(), 32768);
    EXPECT_EQ(ReadAll(buffered, 80000), data.substr(100));
    EXPECT_EQ(ReadAll(buffered, 10), "");
    EXPECT_EQ(fills, 5);  // three full or partial blocks, then the empty fills at the end
}

TEST(BufferStream, PutBackHandsTheByteToTheNextReadAndOverflowsWhenNothingWasRead)
{
    MemoryStream underlying("0123456789abc");
    TS_BufferStream buffered(underlying);
    char byte = 0;
    try {
        buffered.PutBack('x');
        FAIL() << "no exception";
    } catch (const EStreamError& error) {
        EXPECT_STREQ(error.what(), "PutBack overflow");
    }
    EXPECT_EQ(ReadAll(buffered, 10), "0123456789");
    buffered.PutBack('9');
    ASSERT_EQ(buffered.Read(&byte, 1), 1);
    EXPECT_EQ(byte, '9');
    buffered.PutBack('Z');
    EXPECT_EQ(buffered.Position(), 9);
    EXPECT_EQ(ReadAll(buffered, 10), "Zabc");
}

TEST(BufferStream, SeekingFromTheEndCountsBackAndABadOriginIsNamed)
{
    MemoryStream underlying("abc");
    TS_BufferStream buffered(underlying);
    // Bytes still pending in the buffer belong to the end as well.
    buffered.SetPosition(3);
    EXPECT_EQ(buffered.Write("def", 3), 3);
    EXPECT_EQ(buffered.Size(), 6);
    EXPECT_EQ(buffered.Seek(0, kSeekFromEnd), 6);
    EXPECT_EQ(buffered.Seek(2, kSeekFromEnd), 4);
    EXPECT_EQ(ReadAll(buffered, 5), "ef");
    EXPECT_EQ(buffered.Seek(-3, kSeekFromCurrent), 3);
    EXPECT_EQ(ReadAll(buffered, 1), "d");
    try {
        buffered.Seek(0, 3);
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "Invalid seek origin = 3");
    }
}

TEST(BufferStream, ReadingAfterWritingFlushesFirstAndGoesOnFromThere)
{
    MemoryStream underlying("0123456789");
    TS_BufferStream buffered(underlying);
    EXPECT_EQ(ReadAll(buffered, 2), "01");
    // The write lands right after what was read, not after the read-ahead.
    EXPECT_EQ(buffered.Write("AB", 2), 2);
    EXPECT_EQ(buffered.Position(), 4);
    EXPECT_EQ(ReadAll(buffered, 3), "456");
    EXPECT_EQ(underlying.Bytes(), "01AB456789");
}

TEST(BufferStream, WritingAfterReadingToTheEndAppends)
{
    MemoryStream underlying("abc");
    TS_BufferStream buffered(underlying);
    EXPECT_EQ(ReadAll(buffered, 10), "abc");
    EXPECT_EQ(buffered.Write("de", 2), 2);
    buffered.SetPosition(0);
    EXPECT_EQ(underlying.Bytes(), "abcde");
}

TEST(BufferStream, DestructionWritesWhatIsPendingButNeverFreesTheUnderlyingStream)
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quillonv-bufferstream-" + std::to_string(::getpid()));
    {
        FileStream file(path, FileStream::Mode::Create);
        {
            TS_BufferStream buffered(file);
            buffered.Write("pending", 7);
        }
        EXPECT_EQ(file.Size(), 7);
    }
    FileStream reread(path, FileStream::Mode::OpenRead);
    EXPECT_EQ(ReadAll(reread, 100), "pending");
    std::filesystem::remove(path);
    EXPECT_THROW(FileStream(path, FileStream::Mode::OpenRead), EStreamError);
}

}  // namespace
}  // namespace net
