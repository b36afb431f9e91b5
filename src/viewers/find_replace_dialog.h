#pragma once
// The viewer's find and replace dialogs: modeless, searching downward from the caret.

#include <QDialog>
#include <memory>

namespace Ui { class FindReplaceDialog; }

namespace kav::viewers {

class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Find, Replace };
    FindReplaceDialog(Mode mode, QWidget *parent = nullptr);
    ~FindReplaceDialog() override;

    Mode mode() const { return mode_; }
    QString findText() const;
    void setFindText(const QString &text);
    QString replaceText() const;
    void setReplaceText(const QString &text);
    bool wholeWord() const;
    void setWholeWord(bool on);
    bool matchCase() const;
    void setMatchCase(bool on);

signals:
    void findRequested();                   // "다음 찾기"
    void replaceRequested(bool replaceAll); // "바꾸기" / "모두 바꾸기"

private:
    Mode mode_;
    std::unique_ptr<Ui::FindReplaceDialog> ui;
};

} // namespace kav::viewers
