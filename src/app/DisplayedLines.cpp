#include "app/DisplayedLines.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

TStringList DisplayedLines(const QPlainTextEdit& field)
{
    TStringList lines;
    const QTextDocument* document = field.document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (!block.next().isValid() && text.isEmpty())
            break;
        // Asking for the block's extent lays it out at the field's current width.
        layout->blockBoundingRect(block);
        const QTextLayout* lineLayout = block.layout();
        if (!lineLayout || lineLayout->lineCount() == 0) {
            lines.Add(text.toStdString());
            continue;
        }
        for (int i = 0; i < lineLayout->lineCount(); ++i) {
            const QTextLine line = lineLayout->lineAt(i);
            lines.Add(text.mid(line.textStart(), line.textLength()).toStdString());
        }
    }
    return lines;
}

const TStringList& TDisplayedLinesCache::Lines(const QPlainTextEdit& field)
{
    TKey key{field.document()->toRawText(), field.viewport()->width(), field.font(),
             static_cast<int>(field.lineWrapMode())};
    if (FKey != key) {
        FLines = DisplayedLines(field);
        FKey = std::move(key);
    }
    return FLines;
}
