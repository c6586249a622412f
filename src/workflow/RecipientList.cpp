#include "workflow/RecipientList.h"

#include "base/StringList.h"
#include "workflow/ListColumn.h"

#include <algorithm>

TTextDecoding TRecipientList::LoadFromFile(const std::string& fileName, const std::string& label)
{
    TStringList lines;
    const TTextDecoding decoding = lines.LoadFromFile(fileName);
    FEntries.Assign(lines);
    FillLabels(label);
    return decoding;
}

void TRecipientList::FillLabels(const std::string& label)
{
    TStringList labels;
    for (int i = 0; i < FEntries.Count(); ++i)
        labels.Add(label);
    FLabels.Assign(labels);
}

bool TRecipientList::Add(const std::string& text, const std::string& label)
{
    if (text.empty())
        return false;
    FEntries.Append(text);
    FLabels.Append(label);
    return true;
}

void TRecipientList::DeleteSelected()
{
    const int selected = FEntries.ItemIndex();
    if (selected < 0 || selected >= FEntries.Count())
        return;
    FEntries.Remove(selected);
    if (FLabels.Count() > 0)
        FLabels.Remove(std::min(selected, FLabels.Count() - 1));
    FEntries.SetItemIndex(std::min(selected, FEntries.Count() - 1));
}

void TRecipientList::Clear()
{
    FEntries.Clear();
    FLabels.Clear();
}

void TRecipientList::SaveToFile(const std::string& fileName) const
{
    TStringList lines;
    for (int i = 0; i < FEntries.Count(); ++i)
        lines.Add(FEntries.Item(i));
    lines.SaveToFile(fileName);
}

void TRecipientList::SaveLabelsToFile(const std::string& fileName) const
{
    TStringList lines;
    for (int i = 0; i < FLabels.Count(); ++i)
        lines.Add(FLabels.Item(i));
    lines.SaveToFile(fileName);
}

void TRecipientList::LoadLabelsFromFile(const std::string& fileName)
{
    TStringList labels;
    labels.LoadFromFile(fileName);
    if (labels.Count() == FEntries.Count())
        FLabels.Assign(labels);
}
