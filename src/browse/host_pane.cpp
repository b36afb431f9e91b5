#include "host_pane.h"


#include "ftp/host_path.h"
#include "remotefs/remote_fs.h"
#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/pane_drop.h"

#include <QAction>
#include <QBitmap>
#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <cmath>
#include <utility>


namespace kav {

const QString ParentEntry = QStringLiteral(".. Up to higher directory") + QString(23, QLatin1Char(' '));
const QString ActiveModeRefusedText =
    QStringLiteral("호스트가 액티브 모드의 데이터 연결(PORT)을 거부하여 목록을 받을 수 없습니다.\r\n"
                   "접속 대화상자의 '데이터 연결 :'을 '패시브 (PASV)' 또는 '자동 (패시브 우선)'으로 바꾸어 다시 접속하십시오.");

namespace {

constexpr int KindRole = HostListModel::KindRole;
constexpr int ItemHeight = 15;   // the rows' least height: the icons' own

// Icon at the left edge + 2, text at + 21, one pixel down, on the selection colour when selected.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QVariant tint = index.data(Qt::BackgroundRole);
        painter->fillRect(r, selected ? option.palette.highlight()
                                      : tint.isValid() ? QBrush(tint.value<QColor>()) : option.palette.base());
        const QPixmap icon = HostPane::iconOf(EntryKind(index.data(KindRole).toInt()));
        painter->drawPixmap(r.left() + 2, r.top(), icon);
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->setFont(option.font);
        const QRect textRect(r.left() + 21, r.top() + 1, r.width() - 21, r.height() - 1);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const QFontMetrics fm(option.font);
        s.setWidth(21 + fm.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4);
        s.setHeight(HostPane::rowHeight(option.font));
        return s;
    }
};

QPixmap drawIcon(EntryKind kind)
{
    const int h = kind == EntryKind::Directory || kind == EntryKind::Link ? 15 : 16;
    QPixmap pm(18, h);
    pm.fill(Qt::red);  // the transparent colour
    QPainter p(&pm);
    p.setPen(Qt::black);
    switch (kind) {
    case EntryKind::Directory:
    case EntryKind::Link:
        p.setBrush(QColor(255, 214, 90));
        p.drawRect(1, 3, 15, 10);
        p.drawRect(1, 1, 6, 2);
        if (kind == EntryKind::Link) {
            // The link mark: a small arrow in the folder's lower left corner.
            p.setBrush(Qt::white);
            p.drawRect(1, 8, 6, 5);
            p.drawLine(2, 12, 6, 9);
            p.drawLine(4, 9, 6, 9);
            p.drawLine(6, 9, 6, 11);
        }
        break;
    case EntryKind::PlainFile:
        p.setBrush(Qt::white);
        p.drawRect(3, 0, 11, 15);
        for (int y = 3; y <= 12; y += 3)
            p.drawLine(5, y, 12, y);
        break;
    case EntryKind::ExecutableFile:
        p.setBrush(Qt::white);
        p.drawRect(1, 2, 15, 12);
        p.fillRect(2, 3, 14, 3, QColor(0, 0, 160));
        p.fillRect(4, 8, 4, 4, QColor(0, 128, 0));
        break;
    }
    p.end();
    pm.setMask(pm.createMaskFromColor(Qt::red));
    return pm;
}

} // namespace

int HostPane::rowHeight(const QFont &font)
{
    // The text sits one pixel down: the row holds that pixel, the tallest line of the font
    // and of the fonts it falls back to for Hangul (their ascents and descents differ), and
    // one pixel below, so no descender ("jpg", "_") and no final consonant ("문") is cut.
    int line = QFontMetrics(font).height();
    for (const QString &sample : {QStringLiteral("photo.jpg_É"), QStringLiteral("문서 한글 뷁")}) {
        QTextLayout layout(sample, font);
        layout.beginLayout();
        const QTextLine row = layout.createLine();
        layout.endLayout();
        line = std::max(line, int(std::ceil(row.ascent() + row.descent())));
    }
    return std::max(ItemHeight, 1 + line + 1);
}

QPixmap HostPane::iconOf(EntryKind kind)
{
    static const QPixmap dir = drawIcon(EntryKind::Directory);
    static const QPixmap exe = drawIcon(EntryKind::ExecutableFile);
    static const QPixmap txt = drawIcon(EntryKind::PlainFile);
    static const QPixmap link = drawIcon(EntryKind::Link);
    return kind == EntryKind::Directory ? dir : kind == EntryKind::ExecutableFile ? exe
         : kind == EntryKind::Link ? link : txt;
}

HostPane::HostPane(RemoteFs &fs, const HostPaneWidgets &widgets, QString &selectAfterRefresh, QObject *parent)
    : QObject(parent), fs(fs), w(widgets), SelectAfterRefresh(selectAfterRefresh)
{
    connect(&fs, &RemoteFs::directoryReported, this, &HostPane::hostDirectoryReported);
    for (HostListView *list : {w.RFileListBox, w.RDirListBox}) {
        list->setItemDelegate(new EntryDelegate(list));
        list->setUniformItemSizes(true);
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }
    w.RFileListBox->setSelectionMode(QAbstractItemView::ExtendedSelection);
    w.RDirListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    w.RFileListBox->setAcceptDrops(true);
    w.RFileListBox->setDragEnabled(true);

    connect(w.RDirListBox, &QAbstractItemView::doubleClicked, this, [this] { RDirListBoxDblClick(); });
    connect(w.RFileListBox, &QAbstractItemView::doubleClicked, this, [this] { RFileListBoxDblClick(); });
    // Only the user's pick changes directory; the history updates itself silently.
    connect(w.CB_CurName, &QComboBox::activated, this, [this] { CB_CurNameChange(); });
}

QString HostPane::currentDirectory() const { return w.CB_CurName->currentText(); }

QString HostPane::hostPathOf(const QString &name) const
{
    return joinHostPath(currentDirectory(), name);
}

bool HostPane::connectedWithDirectory() const
{
    return fs.connected() && !currentDirectory().isEmpty();
}

bool HostPane::idle() const
{
    return fs.connected() && !fs.transferUnderWay() && !refreshing;
}

bool HostPane::checkSingleSelection()
{
    const int selected = int(w.RFileListBox->selectionModel()->selectedIndexes().size());
    if (selected == 0) {
        fs.log(TranscriptSide::Host, QStringLiteral("먼저 파일을 선택하세요."));
        return false;
    }
    if (selected > 1) {
        fs.log(TranscriptSide::Host, QStringLiteral("한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"));
        return false;
    }
    return true;
}

QList<RemoteEntry> HostPane::selectedFiles() const
{
    QList<RemoteEntry> out;
    for (int row : w.RFileListBox->selectedRows())
        out.append(w.RFileListBox->entry(row));
    return out;
}

void HostPane::focusFiles()
{
    w.RFileListBox->setFocus();
}

void HostPane::hostDirectoryReported(const QString &name)
{
    QComboBox *c = w.CB_CurName;
    const QSignalBlocker block(c);
    int index = -1;
    for (int i = 0; i < c->count(); ++i)
        if (QString::compare(c->itemText(i), name, Qt::CaseInsensitive) == 0) {
            index = i;
            break;
        }
    if (index < 0) {
        c->addItem(name);
        index = c->count() - 1;
    }
    c->setCurrentIndex(index);
    c->setToolTip(c->currentText().isEmpty() ? QStringLiteral("현재 호스트 디렉토리명") : c->currentText());
}

void HostPane::clear()
{
    w.RFileListBox->clear();
    w.RDirListBox->clear();
    const QSignalBlocker block(w.CB_CurName);
    w.CB_CurName->clear();
    w.CB_CurName->setToolTip(QStringLiteral("현재 호스트 디렉토리명"));
    if (listed)
        listed();
}

void HostPane::applySorted(bool sorted)
{
    w.RFileListBox->setSortingEnabled(sorted);
}

void HostPane::RBrefreshClick()
{
    if (!idle())
        return;
    // The name to select serves this one refresh: a later refresh (after a delete that
    // chose its own selection) must not bring back a name set long before.
    QString reselect = std::exchange(SelectAfterRefresh, QString());
    if (reselect.isEmpty() && !w.RFileListBox->selectionModel()->selectedIndexes().isEmpty()
        && w.RFileListBox->currentItem())
        reselect = w.RFileListBox->currentItem().text();

    refreshing = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{refreshing};
    w.RFileListBox->clear();
    w.RDirListBox->clear();
    fs.reportDirectory();

    // Entries arrive per chunk, unsorted, and are sorted as they come; the
    // lists take them all at once at the end.
    const bool sorted = w.N_RSortByName && w.N_RSortByName->isChecked();
    QList<RemoteEntry> files, dirs;
    NameSorter order;   // sorts each chunk's files while the next chunk is on its way
    const FsListing outcome = fs.list([&](QList<RemoteEntry> &&entries, qsizetype) {
        QList<RemoteEntry> chunk;
        chunk.reserve(entries.size());
        for (RemoteEntry &entry : entries) {
            const bool enterable = entry.kind == EntryKind::Directory || entry.kind == EntryKind::Link;
            (enterable ? dirs : chunk).append(std::move(entry));
        }
        if (sorted)
            order.add(std::move(chunk));
        else
            files.append(std::move(chunk));
        return true;
    });
    // A server that refuses the active mode's PORT outright: the way up stays, and a box
    // says what the log alone would tell.
    const bool activeRefused = outcome == FsListing::Failed && fs.ftp() && fs.ftp()->activeModeRefused();
    if (outcome == FsListing::Failed && !activeRefused)
        return;
    dirs.prepend(RemoteEntry{ParentEntry, EntryKind::Directory});
    w.RDirListBox->setEntries(std::move(dirs));
    if (activeRefused) {
        informationBox(ActiveModeRefusedText, w.RDirListBox->window());
        return;
    }
    if (outcome == FsListing::Refused)   // an unreadable directory: the way up stays open
        return;
    if (sorted)
        files = order.take([] { PumpWhenDue(); });
    w.RFileListBox->setEntries(std::move(files), sorted);

    w.RDirListBox->viewport()->update();

    if (!reselect.isEmpty()) {
        const auto found = w.RFileListBox->findItems(reselect, Qt::MatchFixedString);
        if (!found.isEmpty()) {
            w.RFileListBox->setCurrentItem(found.first());
            found.first()->setSelected(true);
        }
    }
    if (listed)
        listed();
}

void HostPane::N_RSortByNameClick()
{
    const bool checked = w.N_RSortByName->isChecked();
    if (!connectedWithDirectory() || !idle()) {
        // A checkable menu item has already toggled itself; the command does nothing now.
        const QSignalBlocker block(w.N_RSortByName);
        w.N_RSortByName->setChecked(!checked);
        return;
    }
    QStringList remembered;
    for (int row : w.RFileListBox->selectedRows())
        remembered << w.RFileListBox->text(row);
    applySorted(checked);
    if (!checked)
        RBrefreshClick();
    w.RFileListBox->clearSelection();
    for (const QString &name : remembered) {
        const auto found = w.RFileListBox->findItems(name, Qt::MatchExactly);
        if (found.isEmpty())
            continue;
        found.first()->setSelected(true);
        w.RFileListBox->setCurrentItem(found.first(), QItemSelectionModel::Select);
    }
    w.RFileListBox->setFocus();
}

void HostPane::RDirListBoxDblClick()
{
    if (!idle())
        return;
    const HostListView::Row item = w.RDirListBox->currentItem();
    if (!item)
        return;
    const QString name = item.text();
    const EntryKind kind = item.kind();
    const FsResult result = fs.changeDirectory(name.startsWith(QLatin1String("..")) ? QStringLiteral("..") : name);
    if (!result.refused()) {
        RBrefreshClick();
    } else if (kind == EntryKind::Link && item && item.text() == name) {
        // A link the server cannot enter leads to a file: it moves to the file
        // list, where it can be downloaded, viewed or deleted like one.
        w.RDirListBox->removeRow(item.row());
        w.RFileListBox->addItem(name, EntryKind::PlainFile);
    }
}

void HostPane::CB_CurNameChange()
{
    if (!idle())
        return;
    const QString dir = currentDirectory();
    if (dir.isEmpty())
        return;
    fs.changeDirectory(dir);
    RBrefreshClick();
}

void HostPane::N_RSpecifyadirectoryClick()
{
    if (!connectedWithDirectory() || !idle())
        return;
    const QString current = currentDirectory();
    QString answer = current;
    if (!dialogs().inputQuery(w.RDirListBox->window(), QStringLiteral("Input Directory"),
                              QStringLiteral("Directory Name: "), answer))
        return;
    if (answer.isEmpty() || answer == current)
        return;
    if (fs.changeDirectory(answer).ok())
        RBrefreshClick();
}

void HostPane::RFileListBoxDblClick()
{
    if (!connectedWithDirectory() || (w.N_RRexec && !w.N_RRexec->isEnabled()))
        return;
    if (!checkSingleSelection())
        return;
    if (!remoteExecute)
        return;   // the remote execution window is not part of this build yet
    const HostListView::Row item = w.RFileListBox->currentItem();
    SelectAfterRefresh = item ? item.text() : QString();
    remoteExecute(joinHostPath(currentDirectory(), item ? item.text() : QString()));
    RBrefreshClick();
    w.RFileListBox->setFocus();
}

void HostPane::N_RCopyURLClick()
{
    if (!connectedWithDirectory() || !checkSingleSelection())
        return;
    const HostListView::Row item = w.RFileListBox->currentItem();
    if (!item)
        return;
    const QString scheme = fs.protocol() == FsProtocol::Sftp ? QStringLiteral("sftp://") : QStringLiteral("ftp://");
    copyToClipboard(scheme + (hostAddress ? hostAddress() : QString()) + hostPathOf(item.text()));
}

void HostPane::SB_HostToClipClick()
{
    copyToClipboard(currentDirectory());
}

void HostPane::SB_CopyRemotePathClick()
{
    if (connectedWithDirectory() && storeRemoteStartPath)
        storeRemoteStartPath(currentDirectory());
}

void HostPane::N_RDirectoryListClick()
{
    if (!connectedWithDirectory() || !idle() || !showReport)
        return;
    // The report for people is LIST's "ls -l" text, which only FTP has.
    FtpExtras *ftp = fs.ftp();
    if (!ftp) {
        fs.log(TranscriptSide::Host, FtpOnlyHint);
        return;
    }
    ftp->setTransferType(FtpAscii);
    fs.reportDirectory();
    QStringList lines;
    qsizetype total = 0;
    const FsListing outcome = ftp->listLines({}, [this, &lines, &total](const QList<QByteArrayView> &block, qsizetype bytes) {
        total += bytes;
        for (const QByteArrayView raw : block)
            lines << withoutTrailingCR(fs.decodeName(raw));
        return true;
    });
    if (outcome != FsListing::Received && outcome != FsListing::Broken)
        return;
    showReport(QStringLiteral("[Host] - DirInfo (") + currentDirectory() + QStringLiteral(", ")
                   + QString::number(total) + QStringLiteral(" Bytes)"),
               lines, QStringLiteral("DirInfo.txt"));
}

bool HostPane::eventFilter(QObject *watched, QEvent *event)
{
    const bool files = watched == w.RFileListBox || watched == w.RFileListBox->viewport();
    const bool dirs = watched == w.RDirListBox || watched == w.RDirListBox->viewport();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (dirs)
                RDirListBoxDblClick();
            else if (files)
                RFileListBoxDblClick();
            return files || dirs;
        }
        if (key == Qt::Key_Delete) {
            if (files && deleteFiles)
                deleteFiles();
            else if (dirs && deleteDirectory)
                deleteDirectory();
            return files || dirs;
        }
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (files)
            return handlePaneDrop(event, w.LFileListBox, uploadLocalSelection);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kav
