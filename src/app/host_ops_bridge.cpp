#include "host_ops_bridge.h"
#include "main_form.h"
#include "ui_main_form.h"

#include "browse/host_pane.h"
#include "remoteops/host_file_ops.h"

namespace kav {

HostFileOps *createHostFileOps(TMainForm &window)
{
    Ui::TMainForm &f = *window.form();
    HostFileOpsWidgets widgets{f.RFileListBox, f.RDirListBox, f.N_RChangeMode};
    auto *ops = new HostFileOps(window.session(), *window.hostPaneOf(), widgets, window.SelectAfterRefresh, &window);
    ops->otherWork = [&window] { return window.transferOrPrintShowing(); };

    QObject::connect(f.N_RDelete, &QAction::triggered, ops, [ops] { ops->N_RDeleteClick(); });
    QObject::connect(f.N_RRename, &QAction::triggered, ops, [ops] { ops->N_RRenameClick(); });
    for (QAction *item : {f.N_RUppercase, f.N_RLowercase, f.N_RSentencecase})
        QObject::connect(item, &QAction::triggered, ops, [ops, item] { ops->N_RUppercaseClick(item->objectName()); });
    QObject::connect(f.N_RInvertSelection, &QAction::triggered, ops, [ops] { ops->N_RInvertSelectionClick(); });
    QObject::connect(f.N_RTagwildcard, &QAction::triggered, ops, [ops] { ops->N_RTagwildcardClick(); });
    QObject::connect(f.N_RMakeDirectory, &QAction::triggered, ops, [ops] { ops->N_RMakeDirectoryClick(); });
    QObject::connect(f.N_RDeleteDirectory, &QAction::triggered, ops, [ops] { ops->N_RDeleteDirectoryClick(); });
    QObject::connect(f.N_RRenameDirectory, &QAction::triggered, ops, [ops] { ops->N_RRenameDirectoryClick(); });
    QObject::connect(f.N_RChangeMode, &QAction::triggered, ops, [ops] { ops->N_RChangeModeClick(); });
    // The Delete key of both host lists.
    window.hostPaneOf()->deleteFiles = [ops] { ops->N_RDeleteClick(); };
    window.hostPaneOf()->deleteDirectory = [ops] { ops->N_RDeleteDirectoryClick(); };
    return ops;
}

} // namespace kav
