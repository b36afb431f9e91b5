#pragma once
// Between the main window and KAVRIN.INI: the option controls the configuration
// loads and saves, the ASCII extension list with its window, and the
// configuration object the connect dialog stores its profiles through.

#include "config/configuration.h"
#include "config/ascii_extensions.h"
#include "platform/window_placement.h"
#include "transfer/type_choice.h"

#include <QWidget>

#include <memory>

namespace kav {

class TMainForm;
class TModeForm;

// A window whose size the configuration keeps (ViewWidth/ViewHeight and the like).
class WidgetSize : public WindowSizeHolder {
public:
    explicit WidgetSize(QWidget &widget) : widget(widget) {}
    // What the window wants, not what a small screen made of it.
    QSize windowSize() const override { return sizeToKeep(&widget); }
    void setWindowSize(const QSize &size) override { widget.resize(size); }
    bool sizeSavable() const override { return !widget.isMinimized() && !widget.isMaximized(); }

protected:
    QWidget &widget;
};

// The main window's size and place: a stored size larger than the screen shrinks to fit
// it, and a stored place off every screen comes back onto one.
class MainWindowSize : public WidgetSize {
public:
    using WidgetSize::WidgetSize;
    void setWindowSize(const QSize &size) override;
    std::optional<QPoint> windowPosition() const override { return widget.pos(); }
    void setWindowPosition(const QPoint &position) override;
};

class SettingsBridge : public MainWindowSettings {
public:
    explicit SettingsBridge(TMainForm &window);
    ~SettingsBridge() override;

    Configuration &configuration() { return *config; }
    AsciiExtensionList &asciiExtensions() { return extensions; }
    TModeForm &modeForm() { return *modeWindow; }
    // The three type controls as they stand, for the transfer type choice.
    TypeControls typeControls() const;

    // The local file menu's "AS&CII Extensions...".
    void N_LASCIIExtensitionClick();

    // MainWindowSettings
    MainOptions mainOptions() const override;
    void setMainOptions(const MainOptions &options) override;
    void setRememberedTransferType(int tag) override;
    LastPositions lastPositions() const override;
    void extensionsLoaded() override;

private:
    TMainForm &window;
    AsciiExtensionList extensions;
    TModeForm *modeWindow = nullptr;  // owned by the main window
    std::unique_ptr<Configuration> config;
};

} // namespace kav
