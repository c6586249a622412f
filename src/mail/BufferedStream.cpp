// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/BufferedStream.h"

#include "base/Exception.h"

#include <algorithm>
#include <cstring>

TBufferedStream::TBufferedStream(TStream& target) : FTarget(target), FBuffer(std::make_unique<char[]>(BlockSize))
{
    FLimit = FBuffer.get() + FCapacity;
}

TBufferedStream::~TBufferedStream()
{
    if (FMode != Writing)
        return;
    try {
        Drain();
    } catch (...) {
        // A destructor must not throw; a caller that needs to know seeks first.
    }
}

bool TBufferedStream::Refill()
{
    char* const buffer = FBuffer.get();
    const std::int64_t n = FTarget.Read(buffer, FCapacity);
    FCursor = buffer;
    FLimit = buffer + n;
    FMode = n != 0 ? Reading : Idle;
    DoRefill();
    return n != 0;
}

bool TBufferedStream::Drain()
{
    char* const buffer = FBuffer.get();
    const std::int64_t count = FCursor ? FCursor - buffer : 0;
    const std::int64_t written = FTarget.Write(buffer, count);
    FCursor = buffer;
    FMode = Idle;
    DoDrain();
    return written == count;
}

void TBufferedStream::DoRefill()
{
    if (OnRefill)
        OnRefill(this);
}

void TBufferedStream::DoDrain()
{
    if (OnDrain)
        OnDrain(this);
}

std::int64_t TBufferedStream::BufferOffset() const
{
    switch (FMode) {
    case Reading: return FCursor - FLimit;
    case Writing: return FCursor - FBuffer.get();
    default: return 0;
    }
}

// Outside Reading mode the buffer holds nothing to hand out, whatever the pointers
// still say: bytes left there by a drain are not stream data.
void TBufferedStream::StartReading()
{
    if (FMode == Writing)
        Drain();
    if (FMode != Reading)
        FCursor = FLimit = FBuffer.get();
}

// Read-ahead bytes are dropped, and the target moved back to where the caller
// stands, so that writing continues at the logical position.
void TBufferedStream::StartWriting()
{
    if (FMode == Reading) {
        FTarget.SetPosition(FTarget.Position() + BufferOffset());
        FMode = Idle;
    }
    if (FMode != Writing) {
        FCursor = FBuffer.get();
        FLimit = FCursor + FCapacity;
    }
}

std::int64_t TBufferedStream::Read(void* buffer, std::int64_t count)
{
    StartReading();
    auto* out = static_cast<char*>(buffer);
    std::int64_t total = 0;
    while (count > 0) {
        if (FCursor == FLimit && !Refill())
            break;
        const std::int64_t n = std::min<std::int64_t>(FLimit - FCursor, count);
        std::memcpy(out, FCursor, static_cast<size_t>(n));
        out += n;
        FCursor += n;
        count -= n;
        total += n;
    }
    return total;
}

std::int64_t TBufferedStream::Write(const void* buffer, std::int64_t count)
{
    StartWriting();
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t total = 0;
    while (count > 0) {
        const std::int64_t n = std::min<std::int64_t>(FLimit - FCursor, count);
        std::memcpy(FCursor, in, static_cast<size_t>(n));
        in += n;
        FCursor += n;
        count -= n;
        total += n;
        if (FCursor == FLimit && !Drain())
            break;
    }
    if (FCursor != FBuffer.get())
        FMode = Writing;
    return total;
}

std::int64_t TBufferedStream::Seek(std::int64_t offset, int origin)
{
    const std::int64_t current = FTarget.Position() + BufferOffset();
    std::int64_t wanted = 0;
    switch (origin) {
    case soBeginning: wanted = offset; break;
    case soCurrent: wanted = current + offset; break;
    case soEnd: {
        // Bytes still waiting in the buffer extend the target when drained.
        std::int64_t end = FTarget.Size();
        if (FMode == Writing)
            end = std::max(end, current);
        wanted = end - offset;
        break;
    }
    default: throw Exception("Invalid seek origin = " + std::to_string(origin));
    }
    if (wanted == current)
        return current; // a position query keeps the buffer and costs no I/O
    if (FMode == Writing && !Drain())
        throw EStreamError("Seek error");
    FTarget.SetPosition(wanted);
    FCursor = nullptr;
    FMode = Idle;
    return wanted;
}

void TBufferedStream::PutBack(char byte)
{
    // Only bytes already handed out from a read-ahead block can be given back;
    // in Writing mode the byte before the cursor is unsent data.
    if (FMode != Reading || FCursor == nullptr || FCursor <= FBuffer.get())
        throw EStreamError("PutBack overflow");
    *--FCursor = byte;
}
