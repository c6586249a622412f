// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

class QObject;

// Events are optional callbacks: an unset event is skipped.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TStatusEvent = std::function<void(QObject* Sender, const std::string& Status)>;
using THostResolvedEvent = std::function<void(QObject* Sender)>;
// Handled is false on entry; a handler that sets it asks for one retry of the failed step.
using THandlerEvent = std::function<void(bool& Handled)>;
using THeaderIncompleteEvent = std::function<void(bool& handled, int hiType)>;
using TRecipientNotFoundEvent = std::function<void(const std::string& Recipient)>;
using TFileEvent = std::function<void(const std::string& Filename)>;
using TSocketErrorEvent = std::function<void(QObject* Sender, std::uint16_t ErrorNo, const std::string& Message)>;

template <typename Event, typename... Args>
void Fire(const Event& event, Args&&... args)
{
    if (event)
        event(std::forward<Args>(args)...);
}
