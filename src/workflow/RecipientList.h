#pragma once
#include "base/TextDecoding.h"

#include <string>

class TListColumn;

// The recipient entries and their label column beside them. The label column always
// holds one label per entry: a copy of the add button's caption when the entry joined,
// so labels already standing keep the language in which they were added.
class TRecipientList {
public:
    TRecipientList(TListColumn& entries, TListColumn& labels) : FEntries(entries), FLabels(labels) {}

    // The file's lines, decoded, replace all entries; raises EFOpenError with both
    // columns unchanged.
    TTextDecoding LoadFromFile(const std::string& fileName, const std::string& label);
    // Appends text unless it is empty (blanks count as text); true when it was added.
    bool Add(const std::string& text, const std::string& label);
    // Removes the selected entry and selects the one that took its place, or the new last.
    void DeleteSelected();
    void Clear();
    // Every entry followed by CR LF; raises EFCreateError.
    void SaveToFile(const std::string& fileName) const;
    // The label column in a file of its own, one label a line, to go with a saved list.
    void SaveLabelsToFile(const std::string& fileName) const;
    // Labels saved with the entries now in the list: taken only when there is one per
    // entry, so that the two columns never differ in length. Raises EFOpenError.
    void LoadLabelsFromFile(const std::string& fileName);

private:
    void FillLabels(const std::string& label);

    TListColumn& FEntries;
    TListColumn& FLabels;
};
