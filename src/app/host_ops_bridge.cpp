#include "host_ops_bridge.h"
#include "main_form.h"
#include "ui_main_form.h"

#include "remoteops/host_file_ops.h"

namespace kav {

void wireHostFileOps(TMainForm &window, HostFileOps &ops)
{
    Ui::TMainForm &f = *window.form();
    HostFileOps *o = &ops;
    o->otherWork = [&window] { return window.transferOrPrintShowing(); };
    QObject::connect(f.N_RDelete, &QAction::triggered, o, [o] { o->N_RDeleteClick(); });
    QObject::connect(f.N_RRename, &QAction::triggered, o, [o] { o->N_RRenameClick(); });
    for (QAction *item : {f.N_RUppercase, f.N_RLowercase, f.N_RSentencecase})
        QObject::connect(item, &QAction::triggered, o, [o, item] { o->N_RUppercaseClick(item->objectName()); });
    QObject::connect(f.N_RInvertSelection, &QAction::triggered, o, [o] { o->N_RInvertSelectionClick(); });
    QObject::connect(f.N_RTagwildcard, &QAction::triggered, o, [o] { o->N_RTagwildcardClick(); });
    QObject::connect(f.N_RMakeDirectory, &QAction::triggered, o, [o] { o->N_RMakeDirectoryClick(); });
    QObject::connect(f.N_RDeleteDirectory, &QAction::triggered, o, [o] { o->N_RDeleteDirectoryClick(); });
    QObject::connect(f.N_RRenameDirectory, &QAction::triggered, o, [o] { o->N_RRenameDirectoryClick(); });
    QObject::connect(f.N_RChangeMode, &QAction::triggered, o, [o] { o->N_RChangeModeClick(); });
}

} // namespace kav
