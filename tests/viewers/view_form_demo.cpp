// Shows the text viewer with a Korean rich-text document, for looking at it by eye
// (for example under a virtual display to take a screenshot). Not a test.
#include "viewers/view_form.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextEdit>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    kav::TViewForm view;
    view.setSaveDirectory(QStringLiteral(KAVRIN_FIXTURES "/rtf"));
    view.setSaveFileName(QStringLiteral("libreoffice_korean.rtf"));
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : QStringLiteral(KAVRIN_FIXTURES "/rtf/libreoffice_korean.rtf");
    view.loadFile(file);
    view.setCaption(QStringLiteral("[Local] - File View (libreoffice_korean.rtf, 6298 Bytes)"));
    view.resize(673, 550);
    view.show();
    view.activateWindow();
    QTextCursor c = view.richEdit()->textCursor();
    c.movePosition(QTextCursor::Down);
    c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 2);
    view.richEdit()->setTextCursor(c);
    view.setInputModeText(QStringLiteral("한글"));
    return app.exec();
}
