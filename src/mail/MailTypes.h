// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Media subtype of a message without attachments.
enum TSubType : int { mtPlain = 0, mtEnriched = 1, mtSgml = 2, mtTabSeparated = 3, mtHtml = 4 };

// How attachment contents are turned into text lines.
enum TEncodeMethod : int { emBase64 = 0, emUUEncode = 1 };
