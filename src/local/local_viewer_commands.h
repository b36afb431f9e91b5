#pragma once
// The local file menu's commands that hand one file to the viewers of their own
// windows: the hex viewer and line printing with the progress window.

#include <QObject>
#include <functional>

class QListWidget;
class QWidget;

namespace kav {

class LocalPane;
class TPrintForm;

class LocalViewerCommands : public QObject {
    Q_OBJECT
public:
    LocalViewerCommands(LocalPane &pane, QListWidget *files, QWidget *window, TPrintForm &printWindow,
                        QObject *parent = nullptr);

    void N_LHexviewClick();
    void N_LPrintClick();
    void LBprintsetClick();

    std::function<bool(const QString &extension)> isTextExtension;  // the ASCII extension list
    std::function<void()> disconnect;                                // the main window's disconnect

private:
    LocalPane &pane;
    QListWidget *files;
    QWidget *window;
    TPrintForm &printWindow;
};

} // namespace kav
