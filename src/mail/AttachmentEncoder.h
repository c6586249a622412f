// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/Component.h"
#include "base/Events.h"
#include "base/Stream.h"
#include "mail/MailTypes.h"

#include <cstdint>

// Turns attachment bytes into mail-safe text lines: base64 (RFC 2045) or uuencode,
// 45 input bytes per line, every line ending in CR LF.
class TAttachmentEncoder : public TComponent {
public:
    static constexpr int BytesPerLine = 45;

    explicit TAttachmentEncoder(QObject* owner = nullptr) : TComponent(owner) { }

    // Encodes all of InStream, from its start, after OutStream's current position;
    // leaves OutStream at position 0. Stream errors pass on after OnEndEncode.
    void Encode();
    // Number of bytes Encode writes for an input of the given size.
    static std::int64_t EncodedSize(TEncodeMethod method, std::int64_t inputSize);

    TEncodeMethod Method = emBase64;
    TStream* InStream = nullptr;
    TStream* OutStream = nullptr;
    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode; // there is no decoder; kept for handlers that set it
    TNotifyEvent OnEndDecode;

private:
    void EncodeAll();
    const char* Alphabet = nullptr;
};
