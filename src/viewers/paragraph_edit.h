#pragma once
// The viewer's text control: a QTextEdit whose copies and drags hold a long paragraph
// as one, whatever display blocks it is shown in (see long_paragraphs.h).

#include <QTextEdit>

namespace kav::viewers {

class ParagraphTextEdit : public QTextEdit {
    Q_OBJECT
public:
    using QTextEdit::QTextEdit;

protected:
    QMimeData *createMimeDataFromSelection() const override;
};

} // namespace kav::viewers
