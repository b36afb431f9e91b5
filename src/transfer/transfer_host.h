#pragma once
// What the transfer commands need from the main window besides the session and
// the host pane: the local pane, the stay-on-top state, the type controls.

#include "type_choice.h"

#include <QString>
#include <QStringList>

namespace kav {

class AsciiExtensionList;

class TransferHost {
public:
    virtual ~TransferHost() = default;
    // The local pane: its selected plain files (bare names, list order) and its directory.
    virtual QStringList selectedLocalFiles() const = 0;
    virtual QString localDirectory() const = 0;
    virtual void refreshLocal() = 0;
    virtual void focusLocalFiles() = 0;
    // The main window's topmost band and the mark of its menu item.
    virtual void setStayOnTop(bool on) = 0;
    virtual bool stayOnTopChecked() const = 0;
    virtual TypeControls typeControls() const = 0;
    virtual const AsciiExtensionList &asciiExtensions() const = 0;
    // The name the next refresh of a pane selects (the file just transferred).
    virtual void setSelectAfterRefresh(const QString &name) = 0;
    // The main window's disconnect (BB_DisconnectClick), after a cancelled
    // download or when the transfer window asks for it.
    virtual void disconnectFromHost() = 0;
};

} // namespace kav
