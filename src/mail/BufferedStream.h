// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>

// Gathers small reads and writes on another stream (the target, not owned) into
// blocks of 32,768 bytes, so the target sees only block-sized transfers.
class TBufferedStream : public TStream {
public:
    using TBufferEvent = std::function<void(TStream* Sender)>;
    enum TMode : std::uint8_t { Idle = 0, Reading = 1, Writing = 2 };
    static constexpr std::int32_t BlockSize = 32768;

    explicit TBufferedStream(TStream& target);
    ~TBufferedStream() override;
    TBufferedStream(const TBufferedStream&) = delete;
    TBufferedStream& operator=(const TBufferedStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Origin 0 from the start, 1 from the current position, 2 backwards from the end.
    std::int64_t Seek(std::int64_t offset, int origin) override;

    // Fills the buffer from the target; false at the end of the target.
    virtual bool Refill();
    // Writes the buffered bytes to the target; false when it took fewer.
    virtual bool Drain();
    // Makes the next Read hand out this byte first.
    virtual void PutBack(char byte);

    TMode Mode() const { return FMode; }
    TBufferEvent OnRefill;
    TBufferEvent OnDrain;

protected:
    virtual void DoRefill();
    virtual void DoDrain();

private:
    std::int64_t BufferOffset() const;
    void StartReading();
    void StartWriting();

    TStream& FTarget;
    std::unique_ptr<char[]> FBuffer;
    char* FCursor = nullptr; // next byte to hand out or to fill; null when nothing is buffered
    char* FLimit = nullptr;  // end of the read-ahead data, or of the block while writing
    const std::int32_t FCapacity = BlockSize;
    TMode FMode = Idle;
};
