// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "base/StringList.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Personal fields in the subject and the body, filled in for each recipient.
//
// - "{{" starts a field and the first "}}" after it ends it; "{{{{" writes "{{" (and "}}"
//   alone is plain text). A field may run over a line break of the body, as the window
//   wraps long lines between words; the break goes with the field.
// - Names are matched without regard to case and white space (FieldKey):
//   {{name}}  the entry's display name, or its address when it has none;
//   {{first}} the first word of the display name, empty when there is none;
//   {{email}} the entry's bare address, as the envelope uses it;
//   {{Column}} the value of that column of a list loaded from a table (AddressBook.h);
//   of two columns with the same key the first counts, a nameless column is no field.
//   The three built-in names win over columns of the same key: a template means the same
//   for a plain list and for a table, and the built-ins are made from those columns anyway.
// - A field that the list does not have, or a "{{" with no "}}" after it, is a problem:
//   the job must not start while there is one. Merging leaves such a field as written.
//   An empty value is no problem (a typed entry in a list loaded from a table has no
//   values of its own; a missing cell is empty).
// - Values go in as they are, but: in the subject, line breaks and other control
//   characters become blanks (OneLine), so that no value can add a header line; in the
//   body, a value's line breaks are line breaks of the body; in an HTML body the value is
//   HTML-escaped (& < > " ') and its line breaks are written "<br>" and a line break.
// - A subject or body without "{{" is given back unchanged without any work per recipient;
//   otherwise it is parsed once, and each merge costs only the text it writes.

// What the merge needs of one recipient.
struct TMergeRecipient {
    std::string_view Entry;
    // The entry's values in the list's column order, or none (a plain list or a typed entry);
    // a value missing at the end counts as empty.
    const std::vector<std::string>* Values = nullptr;
};

// One field that stops the job, and where it stands.
struct TFieldProblem {
    std::string Field;     // as written between the braces, made one line
    int BodyLine = 0;      // the body line (from 1) where the field starts; 0: in the subject
    bool Unclosed = false; // "{{" with no "}}" after it
    bool operator==(const TFieldProblem&) const = default;
};

class TMergeTemplate;

class TMessageMerge {
public:
    // columns: the names of the list's columns (empty for a plain list).
    TMessageMerge(const std::string& subject, const TStringList& body, bool html,
                  const std::vector<std::string>& columns);
    ~TMessageMerge();

    // False when neither the subject nor the body holds "{{": the message goes out as written.
    bool HasFields() const;
    // True when a field names a column of the list (not only the built-in names).
    bool UsesColumns() const;
    // Every unknown or unclosed field, the subject's first, then the body's in order.
    const std::vector<TFieldProblem>& Problems() const { return FProblems; }

    std::string Subject(const TMergeRecipient& recipient) const;
    TStringList Body(const TMergeRecipient& recipient) const;
    // The fields ("{{first}}", as written) whose value is empty for the recipient, each once,
    // in the order they stand.
    std::vector<std::string> EmptyFields(const TMergeRecipient& recipient) const;

private:
    std::string FSubjectText;
    TStringList FBodyLines;
    std::unique_ptr<TMergeTemplate> FSubject; // null: no fields
    std::unique_ptr<TMergeTemplate> FBody;    // null: no fields
    std::vector<TFieldProblem> FProblems;
};

// The message that stops the job: every problem with its place (the first ten, then how
// many more), in the language in force. Lines are separated by CR, as message boxes take them.
std::string FieldProblemsMessage(const std::vector<TFieldProblem>& problems);
// The problems alone, a line each, as FieldProblemsMessage lists them.
std::string FieldProblemLines(const std::vector<TFieldProblem>& problems);
