// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/OutgoingMessage.h"

void TOutgoingMessage::CopyList(TStringList& own, const TStringList& given)
{
    if (&own == &given)
        return;
    // Entry by entry, so the record's list keeps its own settings (such as Sorted).
    own.Clear();
    for (const auto& entry : given.Lines())
        own.Add(entry);
}
