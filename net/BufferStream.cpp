#include "net/BufferStream.h"

#include <algorithm>
#include <cstring>

namespace net {

TS_BufferStream::TS_BufferStream(Stream& underlying)
    : underlying_(underlying), buffer_(new char[static_cast<std::size_t>(kBufferStreamBlockSize)])
{
    end_ = bufferSize_;
}

TS_BufferStream::~TS_BufferStream()
{
    if (state_ == State::Writing) {
        try {
            FlushBuffer();
        } catch (...) {
            // A destructor cannot report; the caller flushes by seeking when it needs to know.
        }
    }
}

std::int64_t TS_BufferStream::BufferOffset() const
{
    switch (state_) {
    case State::Reading: return next_ - end_;
    case State::Writing: return next_;
    case State::Idle: return 0;
    }
    return 0;
}

bool TS_BufferStream::FillBuffer()
{
    const std::int64_t n = underlying_.Read(buffer_.get(), bufferSize_);
    active_ = true;
    next_ = 0;
    end_ = n;
    state_ = n > 0 ? State::Reading : State::Idle;
    if (OnFillBuffer) {
        OnFillBuffer(*this);
    }
    return n > 0;
}

bool TS_BufferStream::FlushBuffer()
{
    // Only written bytes are pending; flushing a read buffer must not write the read bytes back.
    const std::int64_t pending = state_ == State::Writing ? next_ : 0;
    const std::int64_t written = pending > 0 ? underlying_.Write(buffer_.get(), pending) : 0;
    next_ = 0;
    state_ = State::Idle;
    if (OnFlushBuffer) {
        OnFlushBuffer(*this);
    }
    return written == pending;
}

std::int64_t TS_BufferStream::Read(void* destination, std::int64_t count)
{
    if (state_ == State::Writing) {
        FlushBuffer();
    }
    if (state_ != State::Reading) {
        active_ = true;
        next_ = end_ = 0;
    }
    auto* out = static_cast<char*>(destination);
    std::int64_t delivered = 0;
    while (count > 0) {
        if (next_ == end_ && !FillBuffer()) {
            break;
        }
        const std::int64_t n = std::min(count, end_ - next_);
        std::memcpy(out + delivered, buffer_.get() + next_, static_cast<std::size_t>(n));
        next_ += n;
        delivered += n;
        count -= n;
    }
    return delivered;
}

std::int64_t TS_BufferStream::LogicalSize()
{
    const std::int64_t size = underlying_.Size();
    // Pending bytes written past the underlying end extend it, though they reach it only when flushed.
    return state_ == State::Writing ? std::max(size, underlying_.Position() + next_) : size;
}

void TS_BufferStream::StartWriteBuffer()
{
    if (state_ == State::Reading) {
        // Give the read-ahead back so the bytes land where the caller believes it is.
        underlying_.Seek(underlying_.Position() + BufferOffset(), kSeekFromBeginning);
    }
    active_ = true;
    state_ = State::Idle;
    next_ = 0;
    end_ = bufferSize_;
}

std::int64_t TS_BufferStream::Write(const void* source, std::int64_t count)
{
    if (state_ != State::Writing) {
        StartWriteBuffer();
    }
    const auto* in = static_cast<const char*>(source);
    std::int64_t taken = 0;
    while (count > 0) {
        const std::int64_t n = std::min(count, end_ - next_);
        std::memcpy(buffer_.get() + next_, in + taken, static_cast<std::size_t>(n));
        next_ += n;
        taken += n;
        if (next_ == end_) {
            state_ = State::Writing;
            if (!FlushBuffer()) {
                break;
            }
        }
        count -= n;
    }
    if (next_ != 0) {
        state_ = State::Writing;
    }
    return taken;
}

std::int64_t TS_BufferStream::Seek(std::int64_t offset, int origin)
{
    const std::int64_t current = underlying_.Position() + BufferOffset();
    std::int64_t target = 0;
    switch (origin) {
    case kSeekFromBeginning: target = offset; break;
    case kSeekFromCurrent: target = current + offset; break;
    case kSeekFromEnd: target = LogicalSize() - offset; break;
    default: throw Exception("Invalid seek origin = " + std::to_string(origin));
    }
    if (target == current) {
        return target;
    }
    if (state_ == State::Writing && !FlushBuffer()) {
        throw EStreamError("Seek error");
    }
    underlying_.Seek(target, kSeekFromBeginning);
    active_ = false;
    state_ = State::Idle;
    return target;
}

void TS_BufferStream::PutBack(char byte)
{
    if (!active_ || next_ == 0) {
        throw EStreamError("PutBack overflow");
    }
    buffer_[static_cast<std::size_t>(--next_)] = byte;
}

}  // namespace net
