#pragma once
#include "base/StringList.h"

#include <QFont>
#include <QString>
#include <optional>

class QPlainTextEdit;

// The lines a text field shows: a paragraph wider than the field gives one line per
// displayed line, broken where the field wraps it. The empty line after a final line
// break is not counted, so an empty field has no lines.
TStringList DisplayedLines(const QPlainTextEdit& field);

// The displayed lines of a field, worked out again only when its text, width or font has
// changed: the send job asks for them once per message.
class TDisplayedLinesCache {
public:
    const TStringList& Lines(const QPlainTextEdit& field);

private:
    struct TKey {
        QString Text;
        int Width = -1;
        QFont Font;
        int WrapMode = -1;
        bool operator==(const TKey&) const = default;
    };
    std::optional<TKey> FKey;
    TStringList FLines;
};
