#include "host_file_ops.h"

#include "case_rename.h"
#include "chmod_form.h"
#include "mode_text.h"

#include "browse/host_pane.h"
#include "remotefs/remote_fs.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/text.h"
#include "platform/wildcard.h"

#include <QAction>
#include <QItemSelection>
#include <QListView>

#include <optional>

namespace kav {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString SelectFileFirst = QStringLiteral("먼저 파일을 선택하세요.");
const QString SelectDirectoryFirst = QStringLiteral("먼저 디렉토리를 선택하세요.");
constexpr int ReceiveBlock = 4096;
constexpr qsizetype MaxFileListingBytes = 1024 * 1024;

// Marks a command as running for as long as it lives.
class Running {
public:
    explicit Running(bool &flag) : flag(flag) { flag = true; }
    ~Running() { flag = false; }

private:
    bool &flag;
};

} // namespace

HostFileOps::HostFileOps(RemoteFs &fs, HostPane &pane, const HostFileOpsWidgets &widgets,
                         QString &selectAfterRefresh, QObject *parent)
    : QObject(parent), fs(fs), pane(pane), w(widgets), SelectAfterRefresh(selectAfterRefresh)
{
}

bool HostFileOps::ready() const
{
    return fs.connected() && !fs.transferUnderWay() && !busy && !(otherWork && otherWork());
}

bool HostFileOps::connectedWithDirectory() const
{
    return ready() && !pane.currentDirectory().isEmpty();
}

QWidget *HostFileOps::window() const
{
    return w.RFileListBox->window();
}

QList<HostFileOps::Item> HostFileOps::selectedFiles() const
{
    QList<Item> out;
    for (int row : w.RFileListBox->selectedRows())
        out.append(Item{row, w.RFileListBox->text(row)});
    return out;
}

QStringList HostFileOps::listedNames() const
{
    QStringList names;
    for (int i = 0; i < w.RFileListBox->count(); ++i)
        names << w.RFileListBox->text(i);
    for (int i = 1; i < w.RDirListBox->count(); ++i)
        names << w.RDirListBox->text(i);
    return names;
}

QString HostFileOps::selectedDirectoryPath()
{
    const QList<int> selected = w.RDirListBox->selectedRows();
    if (selected.isEmpty() || selected.first() == 0) {
        fs.log(TranscriptSide::Host, SelectDirectoryFirst);
        return {};
    }
    return pane.hostPathOf(w.RDirListBox->text(selected.first()));
}

void HostFileOps::logTaken(const QString &from, const QString &to)
{
    fs.log(TranscriptSide::Host, QStringLiteral("같은 이름이 이미 있어서 이름을 바꾸지 않았습니다: ") + from
                    + QStringLiteral(" -> ") + to);
}

bool HostFileOps::landsOnListedName(const QString &name, const QString &target) const
{
    // A target given as a path in the current directory lands among its entries
    // too; one elsewhere is not listed here and cannot be checked.
    const QString prefix = pane.hostPathOf(QString());
    QString leaf = target;
    if (target.contains(QLatin1Char('/'))) {
        if (!target.startsWith(prefix) || target.mid(prefix.size()).contains(QLatin1Char('/')))
            return false;
        leaf = target.mid(prefix.size());
    }
    return nameTaken(listedNames(), name, leaf);
}

bool HostFileOps::stillInDirectory(const QString &directory)
{
    if (!fs.connected())
        return false;
    // The names are relative to the directory the command started in: after a
    // change of directory they would name other files.
    if (pane.currentDirectory() != directory) {
        fs.log(TranscriptSide::Host, QStringLiteral("디렉토리가 바뀌어서 나머지 파일은 그대로 두었습니다."));
        return false;
    }
    return true;
}

// ---- files ---------------------------------------------------------------------------

void HostFileOps::N_RDeleteClick()
{
    if (!ready())
        return;
    const QList<Item> selected = selectedFiles();
    if (selected.isEmpty()) {
        fs.log(TranscriptSide::Host, SelectFileFirst);
        return;
    }
    const QString question = QStringLiteral("[주의] - 삭제") + CrLf + QString::number(selected.size())
        + QStringLiteral(" 개의 파일을 호스트에서 선택했습니다.") + CrLf + QStringLiteral("선택한 파일들을 삭제하시겠습니까 ?");
    if (!confirmBox(question, window()))
        return;
    const Running running(busy);
    const QString directory = pane.currentDirectory();
    FsResult last;
    int lastIndex = w.RFileListBox->count() - 1;
    QString lastName;
    for (const Item &item : selected) {
        last = fs.remove(item.name);
        lastIndex = item.index;
        lastName = item.name;
        PumpMessages(5);
        if (!stillInDirectory(directory))
            return;
    }
    if (last.refused()) {
        // The refused file stays; with a single file nothing has changed.
        if (selected.size() > 1) {
            SelectAfterRefresh = lastName;
            pane.RBrefreshClick();
        }
        return;
    }
    // The neighbour of the last deleted file is selected below, and nothing else.
    SelectAfterRefresh.clear();
    pane.RBrefreshClick();
    const int count = w.RFileListBox->count();
    if (count > 0) {
        const int row = qBound(0, lastIndex, count - 1);
        w.RFileListBox->setCurrentRow(row);
        w.RFileListBox->item(row)->setSelected(true);
    }
}

void HostFileOps::N_RRenameClick()
{
    if (!connectedWithDirectory() || !pane.checkSingleSelection())
        return;
    const QString old = selectedFiles().first().name;
    SelectAfterRefresh = old;
    QString value = old;
    if (!dialogs().inputQuery(window(), QStringLiteral("파일명 변경(Host)"), QStringLiteral("파일: ") + old, value)
        || value == old) {
        SelectAfterRefresh.clear();   // nothing was sent: no refresh will use it
        return;
    }
    if (landsOnListedName(old, value)) {
        SelectAfterRefresh.clear();
        logTaken(old, value);
        pane.focusFiles();
        return;
    }
    const Running running(busy);
    // A server that will not take the old name (RNFR) or the new one is only logged.
    if (!fs.rename(old, value).refused()) {
        SelectAfterRefresh = value;
        pane.RBrefreshClick();
    }
    pane.focusFiles();
}

void HostFileOps::N_RUppercaseClick(const QString &senderName)
{
    if (!ready())
        return;
    const QList<Item> selected = selectedFiles();
    if (selected.isEmpty()) {
        fs.log(TranscriptSide::Host, SelectFileFirst);
        return;
    }
    const QString question = QStringLiteral("[주의] - 이름변경") + CrLf + QString::number(selected.size())
        + QStringLiteral(" 개의 파일을 호스트에서 선택했습니다.") + CrLf
        + QStringLiteral("선택한 파일들의 이름을 바꾸시겠습니까 ?");
    if (!confirmBox(question, window()))
        return;
    const Running running(busy);
    const QString directory = pane.currentDirectory();
    const LetterCase letterCase = letterCaseOf(senderName);
    QStringList listed = listedNames();
    FsResult last;
    for (const Item &item : selected) {
        const QString renamed = caseRenamed(item.name, letterCase);
        if (nameTaken(listed, item.name, renamed)) {
            logTaken(item.name, renamed);
            continue;
        }
        SelectAfterRefresh = renamed;
        // Sent even when the name does not change: the server's answer is the user's report.
        last = fs.rename(item.name, renamed);
        if (last.ok()) {
            const qsizetype at = listed.indexOf(item.name);
            if (at >= 0)
                listed[at] = renamed;
        }
        PumpMessages(5);
        if (!stillInDirectory(directory))
            return;
    }
    if (!last.refused() || selected.size() > 1)
        pane.RBrefreshClick();
    pane.focusFiles();
}

void HostFileOps::N_RInvertSelectionClick()
{
    if (!ready())
        return;
    HostListView *list = w.RFileListBox;
    list->hide();
    if (list->count() > 0) {
        const QItemSelection all(list->model()->index(0, 0), list->model()->index(list->count() - 1, 0));
        list->selectionModel()->select(all, QItemSelectionModel::Toggle);
    }
    list->show();
    list->setFocus();
}

void HostFileOps::N_RTagwildcardClick()
{
    if (!connectedWithDirectory())
        return;
    QString mask = QStringLiteral("*");
    if (!dialogs().inputQuery(window(), QStringLiteral("Tag Wildcard (Host)"),
                              QStringLiteral("Wildcard(eg *.zip will tag all .zip files): "), mask)
        || mask.isEmpty())
        return;
    HostListView *list = w.RFileListBox;
    list->hide();
    QItemSelection matching;
    for (int i = 0; i < list->count(); ++i) {
        if (matchesWildcard(mask, list->text(i))) {
            const QModelIndex index = list->model()->index(i, 0);
            matching.merge(QItemSelection(index, index), QItemSelectionModel::Select);
        }
    }
    list->selectionModel()->select(matching, QItemSelectionModel::ClearAndSelect);
    list->show();
    list->setFocus();
}

// ---- directories ---------------------------------------------------------------------

void HostFileOps::N_RMakeDirectoryClick()
{
    if (!connectedWithDirectory())
        return;
    // The current directory and its separator: the user types the new name after it.
    QString value = pane.hostPathOf(QString());
    if (!dialogs().inputQuery(window(), QStringLiteral("디렉토리작성(Host)"), QStringLiteral("디렉토리: ") + value,
                              value))
        return;
    const Running running(busy);
    if (fs.makeDirectory(value).ok())
        pane.RBrefreshClick();
}

void HostFileOps::N_RDeleteDirectoryClick()
{
    if (!connectedWithDirectory())
        return;
    const QString path = selectedDirectoryPath();
    if (path.isEmpty())
        return;
    QString value = path;
    if (!dialogs().inputQuery(window(), QStringLiteral("디렉토리삭제(Host)"), QStringLiteral("디렉토리: ") + path,
                              value))
        return;
    const Running running(busy);
    if (fs.removeDirectory(value).ok())
        pane.RBrefreshClick();
}

void HostFileOps::N_RRenameDirectoryClick()
{
    if (!connectedWithDirectory())
        return;
    const QString old = selectedDirectoryPath();
    if (old.isEmpty())
        return;
    const QString oldName = w.RDirListBox->text(w.RDirListBox->selectedRows().first());
    QString value = old;
    if (!dialogs().inputQuery(window(), QStringLiteral("디렉토리명 변경(Host)"), QStringLiteral("디렉토리: ") + old,
                              value)
        || value == old)
        return;
    if (landsOnListedName(oldName, value)) {
        logTaken(old, value);
        return;
    }
    const Running running(busy);
    fs.rename(old, value);
    pane.RBrefreshClick();
}

// ---- permissions ---------------------------------------------------------------------

bool HostFileOps::readFileListing(const QString &name, QStringList &lines)
{
    // The permission window shows the "ls -l" fields (links, owner, group,
    // i-node), which only LIST gives; MLSD's facts differ from server to server.
    FtpExtras *ftp = fs.ftp();
    if (!ftp)
        return false;
    FsOpening opening = ftp->openList(QStringLiteral("-lai ") + name);
    // A server that takes no options refuses the whole command: ask for the plain listing once.
    if (opening.status == FsOpening::Status::Refused && opening.answer.code / 100 == 5)
        opening = ftp->openList(name);
    if (!opening.opened())
        return false;
    // Read to the end of the data: a long owner name or a slow server spreads
    // the line over several blocks.
    QByteArray bytes;
    char buffer[ReceiveBlock];
    for (;;) {
        const int n = fs.read(buffer, ReceiveBlock);
        if (n == 0)
            break;
        if (n < 0) {
            // A server that ended the session has been reported once already.
            if (fs.stillThere()) {
                fs.log(TranscriptSide::Host, QStringLiteral("네트워크 오류: 데이타를 수신할 수 없는 상태입니다."));
                fs.drop();
            }
            return false;
        }
        bytes.append(buffer, n);
        if (bytes.size() > MaxFileListingBytes) {
            // One file's listing is a line or two: a server that keeps sending is
            // cut off rather than let fill the memory.
            fs.log(TranscriptSide::Host, QStringLiteral("네트워크 오류: 파일 목록이 %1 바이트를 넘어 데이터 연결을 끊었습니다.")
                                             .arg(MaxFileListingBytes));
            fs.finishTransfer();
            return false;
        }
    }
    fs.finishTransfer();
    if (bytes.isEmpty())
        return false;
    bytes.replace('\0', '\n');
    for (const QByteArray &line : bytes.split('\n')) {
        ftp->noteServerText(line);
        lines << text::trimmed(fs.decodeName(line));
    }
    return true;
}

void HostFileOps::N_RChangeModeClick()
{
    if (!ready() || (w.N_RChangeMode && !w.N_RChangeMode->isEnabled()))
        return;
    if (!pane.checkSingleSelection())
        return;
    const Item selected = selectedFiles().first();
    const QString name = selected.name;
    const Running running(busy);
    std::optional<FileProperties> properties;
    if (FtpExtras *ftp = fs.ftp()) {
        // On FTP the window reads the mode from LIST's "ls -l" text of the file,
        // fresh from the server, with its owner, group and links.
        ftp->setTransferType(FtpAscii);
        fs.reportDirectory();
        SelectAfterRefresh = name;
        QStringList lines;
        if (!readFileListing(name, lines) || !fs.connected())
            return;
        properties = propertiesOf(lines, name);
    } else {
        // Other protocols give each entry's mode with its name: the listing shown says it.
        SelectAfterRefresh = name;
        properties = propertiesOfEntry(w.RFileListBox->entry(selected.index));
    }
    if (!properties) {
        // Without the file's real mode the window would show wrong boxes, and
        // OK would set them.
        fs.log(TranscriptSide::Host, QStringLiteral("파일의 속성을 읽을 수 없습니다: ") + name);
        return;
    }
    TChmodForm form(window());
    form.showProperties(name, *properties);
    const QString before = form.permissionText();
    const int result = runModal ? runModal(form) : form.exec();
    if (result == QDialog::Accepted && form.permissionText() != before && fs.connected()
        && fs.changeMode(name, form.permissionText()).ok())
        pane.RBrefreshClick();
    pane.focusFiles();
}

} // namespace kav
