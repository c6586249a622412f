// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Refusal bounds of the SMTP client: a reply is refused when its code is above the bound.
namespace SmtpBounds {
constexpr int RefusedAboveGreeting = 399;
constexpr int RefusedAboveHelo = 299;
constexpr int RefusedAboveCommand = 399;
constexpr int RefusedAboveRcpt = 300;
constexpr int RefusedAboveQuit = 339;
// Accepts every reply that came and carries a code.
constexpr int AnyCode = -1;
} // namespace SmtpBounds
