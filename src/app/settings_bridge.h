#pragma once
// Between the main window and KAVRIN.INI: the option controls the configuration
// loads and saves, the ASCII extension list with its window, and the
// configuration object the connect dialog stores its profiles through.

#include "config/configuration.h"
#include "transfer/ascii_extensions.h"
#include "transfer/type_choice.h"

#include <memory>

namespace kav {

class TMainForm;
class TModeForm;

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
