#pragma once
// Between the main window and the transfer commands: the transfer window, the
// engines, and what they need of the window (the local side, the topmost
// band, the type controls).

#include "transfer/transfer_host.h"

#include <memory>

namespace kav {

class TMainForm;
class TTransForm;
class TransferCommands;
class TransferEngine;

class TransferBridge : public TransferHost {
public:
    explicit TransferBridge(TMainForm &window);
    ~TransferBridge() override;

    TTransForm &transferWindow() { return *transWindow; }
    // The engine and the commands of the composition root.
    TransferEngine &engine();
    TransferCommands &commands();

    // TransferHost
    QStringList selectedLocalFiles() const override;
    QString localDirectory() const override;
    void refreshLocal() override;
    void focusLocalFiles() override;
    void setStayOnTop(bool on) override;
    bool stayOnTopChecked() const override;
    TypeControls typeControls() const override;
    const AsciiExtensionList &asciiExtensions() const override;
    void setSelectAfterRefresh(const QString &name) override;
    void disconnectFromHost() override;

private:
    TMainForm &window;
    TTransForm *transWindow = nullptr;   // owned by the main window
};

} // namespace kav
