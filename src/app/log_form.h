#pragma once
// The message log window: a larger, longer view of the log lines written
// while it is showing.

#include <QWidget>

class QPlainTextEdit;

namespace kav {

class TLogForm : public QWidget {
    Q_OBJECT
public:
    // Lines at which the memo empties itself (its tag).
    static constexpr int MemoCapacity = 150;

    explicit TLogForm(QWidget *parent = nullptr);

    void addLine(const QString &line);
    int lineCount() const { return lines; }
    QPlainTextEdit *memo() const { return LogMemo; }

    void LogMemoChange();
    void LogMemoKeyDown(int key);

signals:
    // FormCloseQuery: the owner re-applies its stay-on-top state.
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void clearMemo();

    QPlainTextEdit *LogMemo = nullptr;
    int lines = 0;
};

} // namespace kav
