#include "local_bridge.h"
#include "main_form.h"
#include "settings_bridge.h"
#include "ui_main_form.h"

#include "ftp/session.h"
#include "local/local_pane.h"
#include "local/local_viewer_commands.h"
#include "viewers/file_info_form.h"
#include "viewers/icon_form.h"

#include <QListWidget>
#include <memory>

namespace kav {

LocalPane *createLocalPane(TMainForm &window, TViewForm *viewer)
{
    Ui::TMainForm &f = *window.form();
    LocalPaneWidgets w;
    w.LTabSet = f.LTabSet;
    w.LDirectoryListBox = f.LDirectoryListBox;
    w.LFileListBox = f.LFileListBox;
    w.SB_ConnectDRV = f.SB_ConnectDRV;
    w.SB_DisconnectDRV = f.SB_DisconnectDRV;
    w.RFileListBox = f.RFileListBox;
    w.window = &window;
    auto *pane = new LocalPane(w, [&window](const QString &line) { window.AppendLog(line); },
                               window.SelectAfterRefresh, viewer, &window);
    pane->editorCommand = [&window] { return window.profile().Editor; };
    pane->isTextExtension = [&window](const QString &extension) {
        return window.settings().asciiExtensions().contains(extension);
    };

    auto onClick = [pane](QAbstractButton *button, void (LocalPane::*handler)()) {
        QObject::connect(button, &QAbstractButton::clicked, pane, [pane, handler] { (pane->*handler)(); });
    };
    onClick(f.LBrefresh, &LocalPane::LBrefreshClick);
    onClick(f.LBLaunchExplorer, &LocalPane::LBLaunchExplorerClick);
    onClick(f.SB_LocalToClip, &LocalPane::SB_LocalToClipClick);
    onClick(f.SB_CopyLocalPath, &LocalPane::SB_CopyLocalPathClick);
    onClick(f.SB_ConnectDRV, &LocalPane::SB_ConnectDRVClick);
    onClick(f.SB_DisconnectDRV, &LocalPane::SB_DisconnectDRVClick);

    auto onTrigger = [pane](QAction *item, void (LocalPane::*handler)()) {
        QObject::connect(item, &QAction::triggered, pane, [pane, handler] { (pane->*handler)(); });
    };
    onTrigger(f.N_LRename, &LocalPane::N_LRenameClick);
    onTrigger(f.N_LDelete, &LocalPane::N_LDeleteClick);
    onTrigger(f.N_LView, &LocalPane::N_LViewClick);
    onTrigger(f.N_LEdit, &LocalPane::N_LEditClick);
    onTrigger(f.N_LOpen, &LocalPane::N_LOpenClick);
    onTrigger(f.N_LInvertSelection, &LocalPane::N_LInvertSelectionClick);
    onTrigger(f.N_LTagwildcard, &LocalPane::N_LTagwildcardClick);
    onTrigger(f.N_LMakeDirectory, &LocalPane::N_LMakeDirectoryClick);
    onTrigger(f.N_LDeleteDirectory, &LocalPane::N_LDeleteDirectoryClick);
    onTrigger(f.N_LDirectoryList, &LocalPane::N_LDirectoryListClick);
    onTrigger(f.N_LSpecifyadirectory, &LocalPane::N_LSpecifyadirectoryClick);

    auto *viewers = new LocalViewerCommands(*pane, f.LFileListBox, &window, *window.printForm(), pane);
    viewers->isTextExtension = pane->isTextExtension;
    viewers->disconnect = [&window] { window.connectFlow().BB_DisconnectClick(); };
    QObject::connect(f.N_LHexview, &QAction::triggered, viewers, [viewers] { viewers->N_LHexviewClick(); });
    QObject::connect(f.N_LPrint, &QAction::triggered, viewers, [viewers] { viewers->N_LPrintClick(); });
    QObject::connect(f.LBprintset, &QAbstractButton::clicked, viewers, [viewers] { viewers->LBprintsetClick(); });
    for (QAction *item : {f.N_LUppercase, f.N_LLowercase, f.N_LSentenceCase})
        QObject::connect(item, &QAction::triggered, pane, [pane, item] { pane->N_LUppercaseClick(item); });

    // The viewers' information windows on the pane's selection and directory.
    QObject::connect(f.N_LChangeAttribute, &QAction::triggered, pane, [pane, &f, &window] {
        const int row = pane->singleSelection();
        if (row < 0)
            return;
        showFileInfo(pane->fullPathOf(localNameOf(f.LFileListBox->item(row))), &window);
        f.LFileListBox->setFocus();
    });
    // The icon extractor's save directory is remembered for the rest of the run.
    auto iconSaveDirectory = std::make_shared<QString>();
    QObject::connect(f.N_LIconExtractor, &QAction::triggered, pane, [pane, &window, iconSaveDirectory] {
        *iconSaveDirectory = runIconExtractor(pane->currentDirectory(), *iconSaveDirectory, &window);
    });
    return pane;
}

} // namespace kav
