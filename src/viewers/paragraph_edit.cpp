#include "paragraph_edit.h"

#include "long_paragraphs.h"

#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace kav::viewers {

QMimeData *ParagraphTextEdit::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    bool crossesBreak = false;
    for (QTextBlock block = document()->findBlock(selection.selectionStart()).next();
         block.isValid() && block.position() <= selection.selectionEnd(); block = block.next()) {
        if (continuesParagraph(block)) {
            crossesBreak = true;
            break;
        }
    }
    if (!crossesBreak)
        return QTextEdit::createMimeDataFromSelection();
    QTextDocument joined;
    joined.setDefaultFont(document()->defaultFont());
    QTextCursor(&joined).insertFragment(selection.selection());
    joinDisplayBlocks(joined);
    const QTextDocumentFragment whole(&joined);
    auto *mime = new QMimeData;
    mime->setText(whole.toPlainText());
    if (acceptRichText())
        mime->setHtml(whole.toHtml());
    return mime;
}

} // namespace kav::viewers
