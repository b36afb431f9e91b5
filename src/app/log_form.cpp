#include "log_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextCursor>
#include <QVBoxLayout>

namespace kav {

TLogForm::TLogForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TLogForm"));
    setWindowTitle(QStringLiteral("Message Log"));
    resize(540, 273);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    LogMemo = new QPlainTextEdit(this);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setReadOnly(true);
    LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("굴림체"));
    font.setPixelSize(12);
    LogMemo->setFont(font);
    // Key preview: the window sees the keys before the memo does.
    LogMemo->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LogMemo);
}

void TLogForm::addLine(const QString &line)
{
    // Counted here rather than taken from the document: an empty first line
    // would otherwise not count as a line.
    QTextCursor cursor(LogMemo->document());
    cursor.movePosition(QTextCursor::End);
    if (lines > 0)
        cursor.insertBlock();
    cursor.insertText(line);
    ++lines;
    LogMemo->moveCursor(QTextCursor::End);
    LogMemo->ensureCursorVisible();
    LogMemoChange();
}

void TLogForm::LogMemoChange()
{
    if (lines >= MemoCapacity)
        clearMemo();
}

void TLogForm::LogMemoKeyDown(int key)
{
    if (key == Qt::Key_Delete)
        clearMemo();
}

void TLogForm::clearMemo()
{
    LogMemo->clear();
    lines = 0;
}

void TLogForm::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}

bool TLogForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LogMemo && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete) {
            LogMemoKeyDown(key->key());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kav
