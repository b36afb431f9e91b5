#pragma once
// F1 anywhere in the program, in the main window and in every dialog above it
// (a shortcut of the main window would not reach a modal dialog), asks for help.

#include <QObject>
#include <functional>

namespace kav {

class HelpKey : public QObject {
    Q_OBJECT
public:
    // Watches every key press of the application while this object lives.
    HelpKey(std::function<void()> onHelp, QObject *parent);
    ~HelpKey() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> help;
};

} // namespace kav
