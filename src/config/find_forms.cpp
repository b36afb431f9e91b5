#include "find_forms.h"

#include "bookmark_forms.h"
#include "list_rules.h"
#include "lists_host.h"
#include "local_search.h"
#include "queue_form.h"

#include "browse/host_search.h"
#include "remotefs/remote_fs.h"
#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace kav {

namespace {
// Results carry this role; the "nothing found" line does not.
constexpr int ResultRole = Qt::UserRole + 1;
constexpr int LetterRole = Qt::UserRole + 2;
// The path itself: a local one may differ from the text shown (foreign bytes).
constexpr int PathRole = Qt::UserRole + 3;

QPushButton *button(QWidget *parent, QBoxLayout *layout, const char *name, const QString &caption, const QString &hint)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    layout->addWidget(b);
    return b;
}
} // namespace

TFindForm::TFindForm(SavedListsHost &host, bool hostSide, QWidget *parent)
    : ListWindow(host, hostSide ? QStringLiteral("Find File - Host") : QStringLiteral("Find File - Local"), parent),
      hostSide(hostSide)
{
    hidesMainWindow = false;
    resize(520, 420);
    auto *layout = new QVBoxLayout(this);
    auto *fields = new QGridLayout;
    layout->addLayout(fields);

    CB_FindFile = new QComboBox(this);
    CB_FindFile->setObjectName(QStringLiteral("CB_FindFile"));
    CB_FindFile->setEditable(true);
    CB_FindFile->setInsertPolicy(QComboBox::NoInsert);
    CB_FindFile->setToolTip(QStringLiteral("찾을 파일의 이름 전체 또는 일부를 입력합니다"));
    auto *fileLabel = new QLabel(QStringLiteral("찾을 파일(&S):"), this);
    fileLabel->setBuddy(CB_FindFile);
    fields->addWidget(fileLabel, 0, 0);
    fields->addWidget(CB_FindFile, 0, 1);

    E_FindDir = new QLineEdit(this);
    localStart = LocalPathField(E_FindDir);
    E_FindDir->setObjectName(QStringLiteral("E_FindDir"));
    E_FindDir->setToolTip(QStringLiteral("검색할 시작 디렉토리입니다"));
    auto *dirLabel = new QLabel(QStringLiteral("찾을 디렉토리(&D):"), this);
    dirLabel->setBuddy(E_FindDir);
    fields->addWidget(dirLabel, 1, 0);
    dirRow = new QHBoxLayout;
    dirRow->addWidget(E_FindDir, 1);
    fields->addLayout(dirRow, 1, 1);

    CB_ExtendFind = new QCheckBox(QStringLiteral("하위 디렉토리 찾기(&E)"), this);
    CB_ExtendFind->setObjectName(QStringLiteral("CB_ExtendFind"));
    CB_ExtendFind->setToolTip(QStringLiteral("디렉토리 검색시 하위 디렉토리의 포함여부"));
    CB_ExtendFind->setChecked(true);
    fields->addWidget(CB_ExtendFind, 2, 1);

    auto *counters = new QHBoxLayout;
    counters->addWidget(new QLabel(QStringLiteral("읽은 디렉토리수:"), this));
    L_Reading = new QLabel(QStringLiteral("0"), this);
    L_Reading->setObjectName(QStringLiteral("L_Reading"));
    counters->addWidget(L_Reading);
    counters->addSpacing(20);
    counters->addWidget(new QLabel(QStringLiteral("찾은 파일수:"), this));
    L_Finded = new QLabel(QStringLiteral("0"), this);
    L_Finded->setObjectName(QStringLiteral("L_Finded"));
    counters->addWidget(L_Finded);
    counters->addStretch(1);
    layout->addLayout(counters);

    auto *body = new QHBoxLayout;
    layout->addLayout(body, 1);
    LB_Result = new QListWidget(this);
    LB_Result->setObjectName(QStringLiteral("LB_Result"));
    LB_Result->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LB_Result->setSortingEnabled(true);
    LB_Result->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    body->addWidget(LB_Result, 1);
    controls = new QVBoxLayout;
    body->addLayout(controls);
    B_Run = button(this, controls, "B_Run", QStringLiteral("찾기"), QStringLiteral("찾기를 시작합니다"));
    B_Stop = button(this, controls, "B_Stop", QStringLiteral("중지"), QStringLiteral("찾기를 중지합니다"));
    B_GotoDir = button(this, controls, "B_GotoDir", QStringLiteral("찾아가기"), QStringLiteral("선택한 파일로 이동합니다"));
    B_AddBookmark = button(this, controls, "B_AddBookmark", QStringLiteral("책갈피"),
                           QStringLiteral("선택한 파일들을 Bookmark에 추가합니다"));
    B_AddQueue = button(this, controls, "B_AddQueue", QStringLiteral("대기행렬"),
                        QStringLiteral("선택한 파일들을 Queue에 추가합니다"));
    B_SendFiles = button(this, controls, "B_SendFiles", QStringLiteral("파일전송"),
                         hostSide ? QStringLiteral("선택한 파일들을 Local의 현재 디렉토리로 전송합니다")
                                  : QStringLiteral("선택한 파일들을 Host의 현재 디렉토리로 전송합니다"));
    controls->addStretch(1);
    B_Close = button(this, controls, "B_Close", QStringLiteral("닫기"), QStringLiteral("현재 화면을 닫습니다"));
    // Enter (also in the pattern field) starts the search; Escape closes.
    B_Run->setDefault(true);

    connect(B_Run, &QPushButton::clicked, this, &TFindForm::B_RunClick);
    connect(B_Stop, &QPushButton::clicked, this, &TFindForm::B_StopClick);
    connect(B_GotoDir, &QPushButton::clicked, this, &TFindForm::B_GotoDirClick);
    connect(B_AddBookmark, &QPushButton::clicked, this, &TFindForm::B_AddBookmarkClick);
    connect(B_AddQueue, &QPushButton::clicked, this, &TFindForm::B_AddQueueClick);
    connect(B_SendFiles, &QPushButton::clicked, this, &TFindForm::B_SendFilesClick);
    connect(B_Close, &QPushButton::clicked, this, &TFindForm::B_CloseClick);
    connect(LB_Result, &QListWidget::itemDoubleClicked, this, &TFindForm::B_GotoDirClick);
    installEventFilter(this);
    setIdle(true);
    B_Stop->setEnabled(false);
}

void TFindForm::setLists(TQueueForm *q, TBookmarkLForm *l, TBookmarkRForm *r)
{
    queue = q;
    localMarks = l;
    hostMarks = r;
}

void TFindForm::setIdle(bool idle)
{
    for (QPushButton *b : {B_Run, B_AddBookmark, B_AddQueue, B_GotoDir, B_SendFiles, B_Close})
        b->setEnabled(idle);
    B_Stop->setEnabled(!idle);
}

void TFindForm::FormActivate()
{
    setIdle(true);
    stopTag = 0;
    if (CB_FindFile->currentText().isEmpty())
        CB_FindFile->setEditText(defaultPattern());
}

bool TFindForm::pump()
{
    // Asked after every directory and every match: events run a hundred times a second,
    // so Stop answers at once, and the results show ten times a second.
    if (PumpDue()) {
        if (!sinceShown.isValid() || sinceShown.elapsed() >= 100)
            flushResults();
        PumpMessages(1);
    }
    return stopTag == 1;
}

void TFindForm::showCounters(int read, int found)
{
    pendingRead = read;
    pendingFound = found;
}

void TFindForm::addResult(const QString &path, const QString &letter)
{
    pending.append({path, letter});
    // The first match shows at once; the rest come in batches.
    if (LB_Result->count() == 0)
        flushResults();
}

void TFindForm::flushResults()
{
    sinceShown.start();
    if (pendingRead >= 0) {
        L_Reading->setText(QString::number(pendingRead));
        L_Finded->setText(QString::number(pendingFound));
    }
    if (pending.isEmpty())
        return;
    for (const Pending &p : std::as_const(pending)) {
        auto *item = new QListWidgetItem(hostSide ? p.path : localpath::displayPath(p.path));
        item->setData(ResultRole, true);
        item->setData(PathRole, p.path);
        if (!p.letter.isEmpty())
            item->setData(LetterRole, p.letter);
        LB_Result->addItem(item);
    }
    pending.clear();
}

QStringList TFindForm::results() const
{
    QStringList out;
    for (int i = 0; i < LB_Result->count(); ++i)
        out << resultPath(i);
    return out;
}

QString TFindForm::resultPath(int row) const
{
    const QListWidgetItem *item = LB_Result->item(row);
    return item->data(ResultRole).toBool() ? item->data(PathRole).toString() : item->text();
}

void TFindForm::setStartDirectory(const QString &path)
{
    if (hostSide)
        E_FindDir->setText(path);
    else
        localStart.show(path);
}

QString TFindForm::startDirectory() const
{
    return hostSide ? E_FindDir->text() : localStart.path();
}

QList<int> TFindForm::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < LB_Result->count(); ++i)
        if (LB_Result->item(i)->isSelected() && LB_Result->item(i)->data(ResultRole).toBool())
            rows << i;
    return rows;
}

void TFindForm::B_RunClick()
{
    if (CB_FindFile->currentText().isEmpty())
        return;
    if (E_FindDir->text().isEmpty())
        setStartDirectory(defaultDirectory());
    PumpMessages(1);
    setIdle(false);
    stopTag = 0;
    pending.clear();
    showCounters(0, 0);
    for (QLabel *l : {L_Reading, L_Finded})
        l->setStyleSheet(QStringLiteral("color: black"));
    LB_Result->clear();
    // Sorted once at the end: a sorted list would sort again at every match.
    LB_Result->setSortingEnabled(false);
    flushResults();
    PumpMessages(1);
    walk();
    flushResults();
    LB_Result->setSortingEnabled(true);
    LB_Result->sortItems();
    for (QLabel *l : {L_Reading, L_Finded})
        l->setStyleSheet(QStringLiteral("color: blue"));
    B_Run->setEnabled(true);
    B_Close->setEnabled(true);
    B_Stop->setEnabled(false);
    stopTag = 0;
    const bool any = LB_Result->count() > 0;
    if (!any)
        new QListWidgetItem(NothingFound, LB_Result);
    for (QPushButton *b : {B_AddBookmark, B_AddQueue, B_GotoDir, B_SendFiles})
        b->setEnabled(any);
}

void TFindForm::B_StopClick()
{
    stopTag = 1;
    PumpMessages(1);
}

void TFindForm::B_GotoDirClick()
{
    if (LB_Result->count() == 0 || LB_Result->currentRow() < 0 || !B_GotoDir->isEnabled())
        return;
    QListWidgetItem *item = LB_Result->currentItem();
    if (!item->data(ResultRole).toBool())
        return;
    goTo(resultPath(LB_Result->currentRow()));
}

void TFindForm::B_AddBookmarkClick()
{
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty())
        addBookmarks(rows);
}

void TFindForm::B_AddQueueClick()
{
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty())
        addQueue(rows);
}

void TFindForm::B_SendFilesClick()
{
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty())
        send(rows);
}

void TFindForm::B_CloseClick()
{
    reject();
}

bool TFindForm::eventFilter(QObject *watched, QEvent *event)
{
    // While a search runs only Stop may end it: Escape and the close box wait.
    if (watched == this && B_Stop->isEnabled()
        && (event->type() == QEvent::Close
            || (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape))) {
        event->ignore();
        return true;
    }
    return ListWindow::eventFilter(watched, event);
}

// ---- local ------------------------------------------------------------------------------

TFindLForm::TFindLForm(SavedListsHost &host, QWidget *parent) : TFindForm(host, false, parent)
{
    setObjectName(QStringLiteral("TFindLForm"));
    CB_FindFile->setEditText(defaultPattern());
    auto tool = [this](const char *name, const QString &text, const QString &hint) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(hint);
        dirRow->addWidget(b);
        return b;
    };
    SB_FindDir = tool("SB_FindDir", QStringLiteral("..."), QStringLiteral("검색할 디렉토리를 지정합니다"));
    SB_ConnectDRV = tool("SB_ConnectDRV", QString(), QStringLiteral("네트워크 드라이브 연결"));
    SB_DisconnectDRV = tool("SB_DisconnectDRV", QString(), QStringLiteral("네트워크 드라이브 연결 해제"));
    SB_ConnectDRV->setIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    SB_DisconnectDRV->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    // Network drives are mounted by the system here; the buttons stay for their place.
    SB_ConnectDRV->setEnabled(false);
    SB_DisconnectDRV->setEnabled(false);
    connect(SB_FindDir, &QToolButton::clicked, this, &TFindLForm::SB_FindDirClick);
}

void TFindLForm::setPatterns(const QStringList &patterns)
{
    const QString text = CB_FindFile->currentText();
    CB_FindFile->clear();
    CB_FindFile->addItems(patterns);
    CB_FindFile->setEditText(text);
}

QString TFindLForm::defaultDirectory() const
{
    return host.localDirectory();
}

void TFindLForm::LBfindfileClick()
{
    // The patterns follow the ASCII extension list as it stands.
    QStringList patterns;
    for (const QString &e : host.asciiExtensions())
        patterns << QStringLiteral("*.") + e.toLower();
    setPatterns(patterns);
    if (E_FindDir->text().isEmpty())
        setStartDirectory(host.localDirectory());
    FormActivate();
    exec();
}

void TFindLForm::SB_FindDirClick()
{
    QString dir;
    if (dialogs().chooseDirectory(this, QStringLiteral("찾을 디렉토리"), dir) && !dir.isEmpty())
        setStartDirectory(dir);
}

void TFindLForm::walk()
{
    LocalSearchCallbacks cb;
    int read = 0, found = 0;
    cb.directoryRead = [&](int n) {
        read = n;
        showCounters(read, found);
    };
    cb.found = [&](const QString &path, int n) {
        found = n;
        addResult(path);
        showCounters(read, found);
    };
    cb.stopRequested = [this] { return pump(); };
    if (searchLocalFiles(startDirectory(), CB_FindFile->currentText(), CB_ExtendFind->isChecked(), cb)
        == LocalSearchResult::StartUnreadable) {
        informationBox(QStringLiteral("찾을 디렉토리를 열 수 없습니다.\r\n") + E_FindDir->text(), this);
        FormActivate();
    }
}

void TFindLForm::goTo(const QString &path)
{
    if (!localpath::status(path).isFile) {
        informationBox(QStringLiteral("[알 림]\r\n선택한 파일이 디렉토리에 없습니다"), this);
        delete LB_Result->currentItem();
        return;
    }
    const LocalPlace place = placeOf(path);
    host.goToLocalFile(place.directory, place.name);
    accept();
}

void TFindLForm::addBookmarks(const QList<int> &rows)
{
    if (!localMarks)
        return;
    for (int row : rows)
        localMarks->AddLocalBookmark(resultPath(row));
}

void TFindLForm::addQueue(const QList<int> &rows)
{
    if (!queue)
        return;
    const QString destination = host.hostDirectory();
    for (int row : rows) {
        const QString path = resultPath(row);
        queue->AddQueueEntry(path, destination,
                             binaryByExtension(path, [this](const QString &e) { return host.isAsciiExtension(e); }), true);
    }
}

void TFindLForm::send(const QList<int> &rows)
{
    QStringList paths;
    for (int row : rows)
        paths << resultPath(row);
    host.uploadLocalPaths(paths, int(paths.size()), this);
}

// ---- host -------------------------------------------------------------------------------

TFindRForm::TFindRForm(SavedListsHost &host, QWidget *parent) : TFindForm(host, true, parent)
{
    setObjectName(QStringLiteral("TFindRForm"));
    CB_FindFile->setEditText(defaultPattern());
}

QString TFindRForm::defaultDirectory() const
{
    return host.hostDirectory();
}

void TFindRForm::RBfindfileClick()
{
    if (!host.connected() || host.hostDirectory().isEmpty())
        return;
    startDir = host.hostDirectory();
    QString reselect = host.selectAfterRefresh();
    if (reselect.isEmpty())
        reselect = host.currentHostFile();
    // Listings are fetched in ASCII type.
    if (FtpExtras *ftp = host.remoteFs().ftp())
        ftp->setTransferType(FtpAscii);
    if (E_FindDir->text().isEmpty())
        setStartDirectory(startDir);
    gotoDir.clear();
    gotoFile.clear();
    ran = false;
    FormActivate();
    exec();
    if (!gotoDir.isEmpty() || !gotoFile.isEmpty())
        host.goToHostFile(gotoDir, gotoFile);
    else if (ran)
        host.goToHostFile(startDir, reselect);
    startDir.clear();
}

void TFindRForm::walk()
{
    ran = true;
    const QString mask = CB_FindFile->currentText();
    if (const int bad = invalidMaskPosition(mask)) {
        informationBox(invalidMaskText(mask, bad), this);
        FormActivate();
        return;
    }
    HostSearchCallbacks cb;
    int read = 0, found = 0;
    cb.directoryRead = [&](int n) {
        read = n;
        showCounters(read, found);
    };
    cb.found = [&](const QString &path, const QString &letter, int n) {
        found = n;
        addResult(path, letter);
        showCounters(read, found);
    };
    cb.stopRequested = [this] { return pump(); };
    cb.isAscii = [this](const QString &extension) { return host.isAsciiExtension(extension); };
    HostSearch search(host.remoteFs(), cb);
    const HostSearchResult result = search.run(E_FindDir->text(), mask, CB_ExtendFind->isChecked());
    // A stopped walk leaves the server where the user started, at once.
    const QString home = startDir.isEmpty() ? host.hostDirectory() : startDir;
    if (result == HostSearchResult::Stopped && host.connected() && !home.isEmpty())
        host.changeHostDirectory(home);
}

void TFindRForm::goTo(const QString &path)
{
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    gotoDir = path.left(slash + 1);
    gotoFile = path.mid(slash + 1);
    accept();
}

void TFindRForm::addBookmarks(const QList<int> &rows)
{
    if (!hostMarks)
        return;
    for (int row : rows)
        hostMarks->AddHostBookmark(resultPath(row), LB_Result->item(row)->data(LetterRole).toString() == QLatin1String("B"));
}

void TFindRForm::addQueue(const QList<int> &rows)
{
    if (!queue)
        return;
    const QString destination = host.localDirectory();
    for (int row : rows)
        queue->AddQueueEntry(resultPath(row), destination,
                             LB_Result->item(row)->data(LetterRole).toString() == QLatin1String("B"), false);
}

void TFindRForm::send(const QList<int> &rows)
{
    QList<SavedListsHost::HostItem> items;
    for (int row : rows)
        items << SavedListsHost::HostItem{resultPath(row), LB_Result->item(row)->data(LetterRole).toString()};
    host.downloadHostPaths(items, int(items.size()), this);
}

} // namespace kav
