// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/MessageMerge.h"

#include "workflow/lists/FieldKey.h"
#include "workflow/lists/RecipientEntry.h"
#include "workflow/program/ProgramState.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace {

enum class TValueContext { Subject, TextBody, HtmlBody };

// Field and column keys to column indexes; the first column of a key counts.
using TColumnKeys = std::unordered_map<std::string, std::size_t>;

TColumnKeys KeysOf(const std::vector<std::string>& columns)
{
    TColumnKeys keys;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string key = FieldKey(columns[i]);
        if (!key.empty())
            keys.emplace(std::move(key), i);
    }
    return keys;
}

// A field's name as a problem shows it: one line, and not endless when a stray "{{"
// swallowed a long stretch of text.
std::string ShownName(std::string_view name)
{
    constexpr std::size_t longest = 40;
    std::string shown = OneLine(name);
    if (shown.size() <= longest)
        return shown;
    std::size_t cut = longest;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80)
        --cut; // not inside a UTF-8 sequence
    return shown.substr(0, cut) + "...";
}

void AppendHtmlEscaped(std::string& out, std::string_view value)
{
    for (std::size_t i = 0; i < value.size(); ++i) {
        switch (value[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            [[fallthrough]];
        case '\n': out += "<br>\n"; break;
        default: out += value[i];
        }
    }
}

// The lines of a text: split at CR LF, LF or CR; a text of n breaks gives n + 1 lines.
TStringList SplitLines(const std::string& text)
{
    TStringList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.Add(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.Add(text.substr(start));
    return lines;
}

bool HasFieldMark(std::string_view text)
{
    return text.find("{{") != std::string_view::npos;
}

// The values of the built-in fields for one entry.
struct TBuiltInValues {
    std::string Name;
    std::string First;
    std::string Email;
};

TBuiltInValues BuiltInValues(std::string_view entry)
{
    TEntryParts parts = SplitEntry(std::string(entry));
    std::string first = parts.DisplayName.substr(0, parts.DisplayName.find_first_of(" \t"));
    std::string name = parts.DisplayName.empty() ? parts.Address : std::move(parts.DisplayName);
    return {std::move(name), std::move(first), std::move(parts.Address)};
}

} // namespace

// One text (the subject or the whole body) cut once into literal text and fields.
class TMergeTemplate {
public:
    TMergeTemplate(std::string_view text, TValueContext context, const TColumnKeys& columns,
                   std::vector<TFieldProblem>& problems);
    void AppendMerged(std::string& out, const TMergeRecipient& recipient) const;
    void AddEmptyFields(std::vector<std::string>& fields, const TMergeRecipient& recipient) const;
    bool UsesColumns() const { return FUsesColumns; }

private:
    enum class TKind { Text, Name, First, Email, Column };
    struct TPiece {
        TKind Kind;
        std::string Text; // literal text; for a field, "{{name}}" as written
        std::size_t Column = 0;
    };

    std::optional<TPiece> Resolve(std::string_view name, const TColumnKeys& columns) const;
    void AddText(std::string_view text);
    void AppendPiece(std::string& out, const TMergeRecipient& recipient, const TPiece& piece,
                     const TBuiltInValues& entry) const;
    void AppendValue(std::string& out, std::string_view value) const;

    TValueContext FContext;
    std::vector<TPiece> FPieces;
    bool FUsesEntry = false;
    bool FUsesColumns = false;
};

TMergeTemplate::TMergeTemplate(std::string_view text, TValueContext context, const TColumnKeys& columns,
                               std::vector<TFieldProblem>& problems)
    : FContext(context)
{
    const bool inBody = context != TValueContext::Subject;
    int line = 1;
    bool closable = true; // once no "}}" follows, none follows a later "{{" either
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view rest = text.substr(pos);
        if (rest.starts_with("{{{{")) {
            AddText("{{");
            pos += 4;
        } else if (rest.starts_with("{{")) {
            const std::size_t close = closable ? rest.find("}}", 2) : std::string_view::npos;
            if (close == std::string_view::npos) {
                closable = false;
                const std::string_view shown = rest.substr(2, 100);
                problems.push_back({ShownName(shown.substr(0, shown.find('\n'))), inBody ? line : 0, true});
                AddText("{{");
                pos += 2;
                continue;
            }
            const std::string_view name = rest.substr(2, close - 2);
            if (std::optional<TPiece> field = Resolve(name, columns)) {
                field->Text = "{{" + ShownName(name) + "}}";
                FUsesEntry = FUsesEntry || field->Kind != TKind::Column;
                FUsesColumns = FUsesColumns || field->Kind == TKind::Column;
                FPieces.push_back(std::move(*field));
            } else {
                problems.push_back({ShownName(name), inBody ? line : 0, false});
                AddText(rest.substr(0, close + 2));
            }
            line += static_cast<int>(std::count(name.begin(), name.end(), '\n'));
            pos += close + 2;
        } else {
            line += text[pos] == '\n';
            AddText(text.substr(pos, 1));
            ++pos;
        }
    }
}

std::optional<TMergeTemplate::TPiece> TMergeTemplate::Resolve(std::string_view name, const TColumnKeys& columns) const
{
    const std::string key = FieldKey(name);
    if (key == "name")
        return TPiece{TKind::Name, {}};
    if (key == "first")
        return TPiece{TKind::First, {}};
    if (key == "email")
        return TPiece{TKind::Email, {}};
    const auto column = columns.find(key);
    if (column == columns.end())
        return std::nullopt;
    return TPiece{TKind::Column, {}, column->second};
}

void TMergeTemplate::AddText(std::string_view text)
{
    if (FPieces.empty() || FPieces.back().Kind != TKind::Text)
        FPieces.push_back({TKind::Text, {}});
    FPieces.back().Text += text;
}

void TMergeTemplate::AppendValue(std::string& out, std::string_view value) const
{
    switch (FContext) {
    case TValueContext::Subject: out += OneLine(value); break;
    case TValueContext::TextBody: out += value; break;
    case TValueContext::HtmlBody: AppendHtmlEscaped(out, value); break;
    }
}

void TMergeTemplate::AppendMerged(std::string& out, const TMergeRecipient& recipient) const
{
    const TBuiltInValues entry = FUsesEntry ? BuiltInValues(recipient.Entry) : TBuiltInValues();
    for (const TPiece& piece : FPieces)
        AppendPiece(out, recipient, piece, entry);
}

void TMergeTemplate::AppendPiece(std::string& out, const TMergeRecipient& recipient, const TPiece& piece,
                                 const TBuiltInValues& entry) const
{
    switch (piece.Kind) {
    case TKind::Text: out += piece.Text; break;
    case TKind::Name: AppendValue(out, entry.Name); break;
    case TKind::First: AppendValue(out, entry.First); break;
    case TKind::Email: AppendValue(out, entry.Email); break;
    case TKind::Column: {
        const std::vector<std::string>* values = recipient.Values;
        if (values && piece.Column < values->size())
            AppendValue(out, (*values)[piece.Column]);
        break;
    }
    }
}

void TMergeTemplate::AddEmptyFields(std::vector<std::string>& fields, const TMergeRecipient& recipient) const
{
    const TBuiltInValues entry = FUsesEntry ? BuiltInValues(recipient.Entry) : TBuiltInValues();
    for (const TPiece& piece : FPieces) {
        std::string value;
        if (piece.Kind == TKind::Text)
            continue;
        AppendPiece(value, recipient, piece, entry);
        if (value.empty() && std::find(fields.begin(), fields.end(), piece.Text) == fields.end())
            fields.push_back(piece.Text);
    }
}

TMessageMerge::TMessageMerge(const std::string& subject, const TStringList& body, bool html,
                             const std::vector<std::string>& columns)
    : FSubjectText(subject), FBodyLines(body)
{
    const TColumnKeys keys = KeysOf(columns);
    if (HasFieldMark(subject))
        FSubject = std::make_unique<TMergeTemplate>(subject, TValueContext::Subject, keys, FProblems);
    const std::string bodyText = body.Joined('\n');
    if (HasFieldMark(bodyText))
        FBody = std::make_unique<TMergeTemplate>(bodyText, html ? TValueContext::HtmlBody : TValueContext::TextBody,
                                                 keys, FProblems);
}

TMessageMerge::~TMessageMerge() = default;

bool TMessageMerge::HasFields() const
{
    return FSubject || FBody;
}

bool TMessageMerge::UsesColumns() const
{
    return (FSubject && FSubject->UsesColumns()) || (FBody && FBody->UsesColumns());
}

std::string TMessageMerge::Subject(const TMergeRecipient& recipient) const
{
    if (!FSubject)
        return FSubjectText;
    std::string subject;
    FSubject->AppendMerged(subject, recipient);
    return subject;
}

TStringList TMessageMerge::Body(const TMergeRecipient& recipient) const
{
    if (!FBody)
        return FBodyLines;
    std::string text;
    FBody->AppendMerged(text, recipient);
    return SplitLines(text);
}

std::vector<std::string> TMessageMerge::EmptyFields(const TMergeRecipient& recipient) const
{
    std::vector<std::string> fields;
    if (FSubject)
        FSubject->AddEmptyFields(fields, recipient);
    if (FBody)
        FBody->AddEmptyFields(fields, recipient);
    return fields;
}

std::string FieldProblemLines(const std::vector<TFieldProblem>& problems)
{
    constexpr std::size_t shown = 10;
    std::string text;
    for (std::size_t i = 0; i < std::min(problems.size(), shown); ++i) {
        const TFieldProblem& problem = problems[i];
        if (i > 0)
            text += '\r';
        text += problem.Unclosed ? "{{" + problem.Field + Lang(" brez }}", " without }}") : "{{" + problem.Field + "}}";
        if (problem.BodyLine == 0)
            text += Lang(" v zadevi", " in the subject");
        else
            text +=
                Lang(" v vrstici ", " in line ") + std::to_string(problem.BodyLine) + Lang(" besedila", " of the body");
    }
    if (problems.size() > shown)
        text += Lang("\rin še ", "\rand ") + std::to_string(problems.size() - shown) + Lang(" drugih", " more");
    return text;
}

std::string FieldProblemsMessage(const std::vector<TFieldProblem>& problems)
{
    return Lang("Sporočilo vsebuje polja, ki jih seznam prejemnikov nima. Nič ni bilo poslano.\r\r",
                "The message has fields that the recipient list does not have. Nothing was sent.\r\r")
        + FieldProblemLines(problems);
}
