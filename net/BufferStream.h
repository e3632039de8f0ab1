#pragma once
// TS_BufferStream: buffers the reads and writes of another stream through one 32 KiB block, and can put
// bytes back into the read buffer. The underlying stream is the caller's; it is neither owned nor freed.

#include "net/Stream.h"

#include <functional>
#include <memory>

namespace net {

inline constexpr std::int64_t kBufferStreamBlockSize = 32768;

class TS_BufferStream : public Stream {
public:
    using NotifyEvent = std::function<void(TS_BufferStream& sender)>;

    explicit TS_BufferStream(Stream& underlying);
    // Writes what is still pending.
    ~TS_BufferStream() override;
    TS_BufferStream(const TS_BufferStream&) = delete;
    TS_BufferStream& operator=(const TS_BufferStream&) = delete;

    std::int64_t Read(void* destination, std::int64_t count) override;
    std::int64_t Write(const void* source, std::int64_t count) override;
    // Origin 2 counts back from the end with a positive offset. Seeking to the current position keeps the
    // buffer; any real move gives back the read-ahead and writes what is pending.
    std::int64_t Seek(std::int64_t offset, int origin) override;

    bool FillBuffer();
    // False when the underlying stream took fewer bytes than were pending.
    bool FlushBuffer();
    // The next Read delivers byte first. Only as many bytes as were read from the current fill fit back.
    void PutBack(char byte);

    std::int64_t BufferSize() const { return bufferSize_; }

    NotifyEvent OnFillBuffer;
    NotifyEvent OnFlushBuffer;

private:
    enum class State { Idle, Reading, Writing };

    // Logical position minus the underlying stream's position.
    std::int64_t BufferOffset() const;
    std::int64_t LogicalSize();
    void StartWriteBuffer();

    Stream& underlying_;
    const std::int64_t bufferSize_ = kBufferStreamBlockSize;
    std::unique_ptr<char[]> buffer_;
    bool active_ = false;
    std::int64_t next_ = 0;  // next byte to read or write
    std::int64_t end_ = 0;   // end of the read data, or of the block when writing
    State state_ = State::Idle;
};

}  // namespace net
