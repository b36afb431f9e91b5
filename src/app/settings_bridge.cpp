#include "settings_bridge.h"

#include "main_form.h"
#include "ui_main_form.h"

#include "config/connect_form.h"
#include "ftp/session.h"
#include "local/local_pane.h"
#include "transfer/mode_form.h"

#include "platform/window_placement.h"

#include <QDir>
#include <QSplitter>

namespace kav {

void MainWindowSize::setWindowSize(const QSize &size)
{
    WidgetSize::setWindowSize(size);
    if (QWidget *w = widget.window())
        fitOnScreen(w);
}

void MainWindowSize::setWindowPosition(const QPoint &position)
{
    QWidget *w = widget.window();
    if (!w)
        return;
    w->move(position);
    keepOnScreen(w);
}

namespace {

// The height of one list of a two-list splitter, the other list taking the rest.
void setListHeight(QSplitter *splitter, QWidget *list, int height)
{
    const int index = splitter->indexOf(list);
    QList<int> sizes = splitter->sizes();
    if (index < 0 || sizes.size() != 2)
        return;
    const int total = sizes[0] + sizes[1];
    if (height <= 0 || height >= total)
        return;
    sizes[index] = height;
    sizes[1 - index] = total - height;
    splitter->setSizes(sizes);
}

} // namespace

SettingsBridge::SettingsBridge(TMainForm &w) : window(w)
{
    modeWindow = new TModeForm(extensions, &window);
    config = std::make_unique<Configuration>(window.profile(), window.profiles(), *this,
                                             extensions, &window);
    window.connectForm()->setProfileStore(config.get());
    config->setLog([this](const QString &line) { window.AppendLog(line); });
    QObject::connect(window.form()->N_LASCIIExtensition, &QAction::triggered, modeWindow,
                     [this] { N_LASCIIExtensitionClick(); });
}

SettingsBridge::~SettingsBridge()
{
    window.connectForm()->setProfileStore(nullptr);
}

TypeControls SettingsBridge::typeControls() const
{
    const Ui::TMainForm &f = *window.form();
    return {f.CB_AutoMode->isChecked(), f.RB_ascii->isChecked(), f.RB_binary->isChecked()};
}

void SettingsBridge::N_LASCIIExtensitionClick()
{
    modeWindow->exec();
}

MainOptions SettingsBridge::mainOptions() const
{
    const Ui::TMainForm &f = *window.form();
    MainOptions o;
    o.StayOnTop = f.N_RStayOnTop->isChecked();
    o.DropFiles = f.N_RDropFiles->isChecked();
    o.AsciiCheck = f.RB_ascii->isChecked();
    o.BinCheck = f.RB_binary->isChecked();
    o.AutoCheck = f.CB_AutoMode->isChecked();
    o.AntiIdle = f.N_RAntiIdle->isChecked();
    o.SortByName = f.N_RSortByName->isChecked();
    o.LocalSplitter = f.LFileListBox->height();
    o.HostSplitter = f.RFileListBox->height();
    return o;
}

void SettingsBridge::setMainOptions(const MainOptions &o)
{
    Ui::TMainForm &f = *window.form();
    f.N_RStayOnTop->setChecked(o.StayOnTop);
    f.N_RDropFiles->setChecked(o.DropFiles);
    f.N_RAntiIdle->setChecked(o.AntiIdle);
    f.N_RSortByName->setChecked(o.SortByName);
    // The file may hold both radio buttons off (then no type is forced by hand).
    for (QRadioButton *b : {f.RB_ascii, f.RB_binary})
        b->setAutoExclusive(false);
    // Both on cannot be shown: binary is set last, so it wins.
    f.RB_ascii->setChecked(o.AsciiCheck && !o.BinCheck);
    f.RB_binary->setChecked(o.BinCheck);
    for (QRadioButton *b : {f.RB_ascii, f.RB_binary})
        b->setAutoExclusive(true);
    f.CB_AutoMode->setChecked(o.AutoCheck);
    setListHeight(f.L_Splitter, f.LFileListBox, o.LocalSplitter);
    setListHeight(f.R_Splitter, f.RFileListBox, o.HostSplitter);
}

void SettingsBridge::setRememberedTransferType(int tag)
{
    window.session().rememberTransferType(TransferType(tag));
}

LastPositions SettingsBridge::lastPositions() const
{
    const Ui::TMainForm &f = *window.form();
    LastPositions p;
    // The local directory list shows the program's current directory (whatever its bytes).
    p.localDir = window.localPaneOf()->currentDirectory();
    for (int row = f.LFileListBox->count() - 1; row >= 0; --row) {
        if (f.LFileListBox->item(row)->isSelected()) {
            p.localFile = localNameOf(f.LFileListBox->item(row));
            break;
        }
    }
    p.hostDir = f.CB_CurName->currentText();
    if (const auto item = f.RFileListBox->currentItem())
        p.hostFile = item.text();
    return p;
}

void SettingsBridge::extensionsLoaded()
{
    modeWindow->refreshList();
}

} // namespace kav
