#pragma once
#include "base/StringList.h"

class QPlainTextEdit;

// The lines a text field shows: a paragraph wider than the field gives one line per
// displayed line, broken where the field wraps it. The empty line after a final line
// break is not counted, so an empty field has no lines.
TStringList DisplayedLines(const QPlainTextEdit& field);
