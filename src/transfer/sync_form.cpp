#include "transfer/sync_form.h"

#include "platform/dialogs.h"
#include "remotefs/remote_fs.h"
#include "sync/host_tree.h"
#include "sync/sync_runner.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace kav {

using namespace kav::sync;

namespace {

QString sizeText(const Facts &f)
{
    if (!f.present)
        return QStringLiteral("없음");
    if (f.kind == NodeKind::Directory)
        return QStringLiteral("<DIR>");
    return f.size >= 0 ? groupedNumber(f.size) : QString();
}

QString timeText(const Facts &f)
{
    if (!f.present || !f.time.known())
        return {};
    // Local time of day, with the precision the listing gave.
    const QDateTime t = f.time.utc().toLocalTime();
    if (f.time.spanMs >= 86400000)
        return t.toString(QStringLiteral("yyyy-MM-dd"));
    if (f.time.spanMs >= 60000)
        return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QLabel *buddyLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString groupedNumber(qint64 value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

TSyncForm::TSyncForm(SyncFormHost &host, QWidget *parent) : QDialog(parent), host(host)
{
    setObjectName(QStringLiteral("TSyncForm"));
    setWindowTitle(QStringLiteral("동기화"));
    E_LocalDir = new QLineEdit;
    E_LocalDir->setObjectName(QStringLiteral("E_LocalDir"));
    E_LocalDir->setToolTip(QStringLiteral("맞출 로컬 디렉토리입니다"));
    E_HostDir = new QLineEdit;
    E_HostDir->setObjectName(QStringLiteral("E_HostDir"));
    E_HostDir->setToolTip(QStringLiteral("맞출 호스트 디렉토리입니다"));
    E_Exclude = new QLineEdit;
    E_Exclude->setObjectName(QStringLiteral("E_Exclude"));
    E_Exclude->setToolTip(QStringLiteral("비교하지도, 옮기지도, 지우지도 않을 이름의 마스크를 ';'로 나누어 적습니다 (예: *.bak;.git)"));

    RB_ToHost = new QRadioButton(QStringLiteral("호스트로(&U)"));
    RB_ToHost->setObjectName(QStringLiteral("RB_ToHost"));
    RB_ToHost->setToolTip(QStringLiteral("로컬 디렉토리를 원본으로 호스트 디렉토리를 맞춥니다"));
    RB_ToLocal = new QRadioButton(QStringLiteral("로컬로(&D)"));
    RB_ToLocal->setObjectName(QStringLiteral("RB_ToLocal"));
    RB_ToLocal->setToolTip(QStringLiteral("호스트 디렉토리를 원본으로 로컬 디렉토리를 맞춥니다"));
    RB_Both = new QRadioButton(QStringLiteral("양방향(&B)"));
    RB_Both->setObjectName(QStringLiteral("RB_Both"));
    RB_Both->setToolTip(QStringLiteral("지난 동기화 뒤에 바뀐 쪽을 다른 쪽에 반영합니다. 양쪽에서 모두 바뀐 파일은 충돌로 보여 주고 건드리지 않습니다"));
    RB_ToHost->setChecked(true);

    CB_ByTime = new QCheckBox(QStringLiteral("시각(&T)"));
    CB_ByTime->setObjectName(QStringLiteral("CB_ByTime"));
    CB_ByTime->setToolTip(QStringLiteral("수정 시각이 더 새로운 파일을 옮깁니다. LIST 목록의 시각은 분 단위까지만 비교합니다"));
    CB_BySize = new QCheckBox(QStringLiteral("크기(&S)"));
    CB_BySize->setObjectName(QStringLiteral("CB_BySize"));
    CB_BySize->setToolTip(QStringLiteral("크기가 다른 파일을 옮깁니다"));
    CB_ByContent = new QCheckBox(QStringLiteral("내용(&C)"));
    CB_ByContent->setObjectName(QStringLiteral("CB_ByContent"));
    CB_ByContent->setToolTip(QStringLiteral("크기가 같은 파일의 내용을 비교합니다. 호스트가 체크섬(HASH, XSHA256, XMD5)을 계산해 주지 않으면 호스트 파일을 내려받아 비교하므로 시간이 걸립니다"));
    CB_ByTime->setChecked(true);
    CB_BySize->setChecked(true);
    CB_Mirror = new QCheckBox(QStringLiteral("원본에 없는 것 삭제(미러)(&M)"));
    CB_Mirror->setObjectName(QStringLiteral("CB_Mirror"));
    CB_Mirror->setToolTip(QStringLiteral("원본에 없는 파일과 디렉토리를 대상 쪽에서 지웁니다. 지울 것은 모두 목록에 먼저 보여 줍니다"));
    CB_OnlyExisting = new QCheckBox(QStringLiteral("있는 파일만(&E)"));
    CB_OnlyExisting->setObjectName(QStringLiteral("CB_OnlyExisting"));
    CB_OnlyExisting->setToolTip(QStringLiteral("대상 쪽에 이미 있는 파일만 바꾸고 새 파일은 만들지 않습니다"));

    BB_Compare = new QPushButton(QStringLiteral("비교(&P)"));
    BB_Compare->setObjectName(QStringLiteral("BB_Compare"));
    BB_Compare->setToolTip(QStringLiteral("두 디렉토리를 하위까지 비교하여 할 일을 목록에 보여 줍니다. 아직 아무것도 옮기지 않습니다"));
    BB_Run = new QPushButton(QStringLiteral("실행(&R)"));
    BB_Run->setObjectName(QStringLiteral("BB_Run"));
    BB_Run->setToolTip(QStringLiteral("목록에서 체크한 작업을 실행합니다"));
    BB_Close = new QPushButton(QStringLiteral("닫기"));
    BB_Close->setObjectName(QStringLiteral("BB_Close"));
    // Running deletes and overwrites: never by Enter.
    for (QPushButton *b : {BB_Compare, BB_Run, BB_Close})
        b->setAutoDefault(false);
    BB_Run->setEnabled(false);

    LV_Actions = new QTreeWidget;
    LV_Actions->setObjectName(QStringLiteral("LV_Actions"));
    LV_Actions->setRootIsDecorated(false);
    LV_Actions->setHeaderLabels({QStringLiteral("작업"), QStringLiteral("경로"), QStringLiteral("이유"),
                                 QStringLiteral("로컬"), QStringLiteral("호스트")});
    LV_Actions->setToolTip(QStringLiteral("체크한 작업만 실행합니다. 충돌은 실행하지 않습니다"));
    L_Totals = new QLabel;
    L_Totals->setObjectName(QStringLiteral("L_Totals"));
    L_Totals->setTextFormat(Qt::PlainText);

    auto *dirs = new QGridLayout;
    dirs->addWidget(buddyLabel(QStringLiteral("로컬(&L) :"), E_LocalDir), 0, 0);
    dirs->addWidget(E_LocalDir, 0, 1);
    dirs->addWidget(buddyLabel(QStringLiteral("호스트(&H) :"), E_HostDir), 1, 0);
    dirs->addWidget(E_HostDir, 1, 1);
    dirs->addWidget(buddyLabel(QStringLiteral("제외(&X) :"), E_Exclude), 2, 0);
    dirs->addWidget(E_Exclude, 2, 1);

    auto *direction = new QGroupBox(QStringLiteral("방향"));
    auto *dl = new QHBoxLayout(direction);
    for (QWidget *w : {static_cast<QWidget *>(RB_ToHost), static_cast<QWidget *>(RB_ToLocal), static_cast<QWidget *>(RB_Both)})
        dl->addWidget(w);
    auto *criteria = new QGroupBox(QStringLiteral("비교 기준"));
    auto *cl = new QHBoxLayout(criteria);
    for (QWidget *w : {CB_ByTime, CB_BySize, CB_ByContent})
        cl->addWidget(w);
    auto *opts = new QGroupBox(QStringLiteral("옵션"));
    auto *ol = new QHBoxLayout(opts);
    ol->addWidget(CB_Mirror);
    ol->addWidget(CB_OnlyExisting);
    auto *groups = new QHBoxLayout;
    groups->addWidget(direction);
    groups->addWidget(criteria);
    groups->addWidget(opts);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(L_Totals, 1);
    buttons->addWidget(BB_Compare);
    buttons->addWidget(BB_Run);
    buttons->addWidget(BB_Close);

    auto *main = new QVBoxLayout(this);
    main->addLayout(dirs);
    main->addLayout(groups);
    main->addWidget(LV_Actions, 1);
    main->addLayout(buttons);
    resize(760, 480);

    connect(BB_Compare, &QPushButton::clicked, this, &TSyncForm::BB_CompareClick);
    connect(BB_Run, &QPushButton::clicked, this, &TSyncForm::BB_RunClick);
    connect(BB_Close, &QPushButton::clicked, this, &QDialog::close);
    connect(LV_Actions, &QTreeWidget::itemChanged, this, &TSyncForm::actionToggled);
    for (QRadioButton *rb : {RB_ToHost, RB_ToLocal, RB_Both})
        connect(rb, &QRadioButton::toggled, this, &TSyncForm::directionChanged);
    // Any change of the pair or the rules makes the list stale.
    auto stale = [this] {
        if (!current.actions.isEmpty() || BB_Run->isEnabled()) {
            current = {};
            showPlan();
        }
    };
    for (QLineEdit *e : {E_LocalDir, E_HostDir, E_Exclude})
        connect(e, &QLineEdit::textEdited, this, stale);
    for (QCheckBox *c : {CB_ByTime, CB_BySize, CB_ByContent, CB_Mirror, CB_OnlyExisting})
        connect(c, &QCheckBox::toggled, this, stale);
    for (QRadioButton *rb : {RB_ToHost, RB_ToLocal, RB_Both})
        connect(rb, &QRadioButton::toggled, this, stale);
    directionChanged();
    updateTotals();
}

TSyncForm::~TSyncForm() = default;

void TSyncForm::showFor(const QString &localDir, const QString &hostDir)
{
    if (E_LocalDir->text().isEmpty() || !isVisible())
        E_LocalDir->setText(localDir);
    if (E_HostDir->text().isEmpty() || !isVisible())
        E_HostDir->setText(hostDir);
}

void TSyncForm::directionChanged()
{
    // Mirror and only-existing belong to one way; both ways has its state.
    const bool oneWay = !RB_Both->isChecked();
    CB_Mirror->setEnabled(oneWay);
    CB_OnlyExisting->setEnabled(oneWay);
}

SyncOptions TSyncForm::options() const
{
    SyncOptions o;
    o.direction = RB_ToHost->isChecked() ? Direction::ToHost
        : RB_ToLocal->isChecked()       ? Direction::ToLocal
                                         : Direction::BothWays;
    o.criteria = (CB_ByTime->isChecked() ? ByTime : 0u) | (CB_BySize->isChecked() ? BySize : 0u)
        | (CB_ByContent->isChecked() ? ByContent : 0u);
    o.mirror = o.direction != Direction::BothWays && CB_Mirror->isChecked();
    o.onlyExisting = o.direction != Direction::BothWays && CB_OnlyExisting->isChecked();
    return o;
}

bool TSyncForm::scanBoth(Node &local, Node &hostTree, QString *why)
{
    RemoteFs *fs = host.remoteFs();
    if (!fs || !fs->connected()) {
        *why = QStringLiteral("호스트에 연결되어 있지 않습니다");
        return false;
    }
    if (fs->transferUnderWay()) {
        *why = QStringLiteral("다른 전송이 진행 중입니다");
        return false;
    }
    const Excludes excludes(E_Exclude->text());
    QString error;
    local = scanLocalTree(plannedLocal, excludes, &error);
    if (!local.listed) {
        *why = QStringLiteral("로컬 디렉토리를 읽을 수 없습니다: ") + plannedLocal;
        return false;
    }
    HostScanOptions so;
    so.zoneOffsetMinutes = host.zoneOffsetMinutes();
    HostScan scan = scanHostTree(*fs, plannedHost, excludes, so);
    // The host pane's directory is where the walk began; go back there.
    fs->changeDirectory(host.hostDirectory());
    if (!scan.complete || !scan.root.listed) {
        *why = QStringLiteral("호스트 디렉토리를 끝까지 읽지 못했습니다: ") + plannedHost;
        return false;
    }
    hostTree = std::move(scan.root);
    if ((options().criteria & ByContent) && !fillDigests(*fs, local, hostTree, plannedLocal, plannedHost, {})) {
        *why = QStringLiteral("내용을 비교하는 중에 연결이 끊겼습니다");
        return false;
    }
    return true;
}

void TSyncForm::BB_CompareClick()
{
    if (busy)
        return;
    const Excludes excludes(E_Exclude->text());
    if (const QString bad = excludes.firstInvalidMask(); !bad.isEmpty()) {
        informationBox(QStringLiteral("제외 마스크가 올바르지 않습니다: ") + bad, this);
        return;
    }
    if (!(options().criteria)) {
        informationBox(QStringLiteral("비교 기준을 하나 이상 고르십시오"), this);
        return;
    }
    plannedLocal = E_LocalDir->text().trimmed();
    plannedHost = E_HostDir->text().trimmed();
    if (plannedLocal.isEmpty() || plannedHost.isEmpty()) {
        informationBox(QStringLiteral("로컬 디렉토리와 호스트 디렉토리를 모두 적으십시오"), this);
        return;
    }
    busy = true;
    current = {};
    showPlan();
    setCursor(Qt::WaitCursor);
    state = {};
    const SyncOptions o = options();
    if (o.direction == Direction::BothWays) {
        QString error;
        const QString file = stateFilePath(host.profileName(), plannedLocal, plannedHost);
        const StateLoad load = loadState(file, &state, &error);
        if (load == StateLoad::Unreadable) {
            // Never a silent first sync: the user is told, and it copies only.
            host.appendLog(QStringLiteral("동기화 기록을 읽을 수 없어 처음 동기화처럼 복사만 제안합니다: ") + file);
            state = {};
        }
        state.profile = host.profileName();
        state.localDir = plannedLocal;
        state.hostDir = plannedHost;
    }
    Node local, hostTree;
    QString why;
    const bool scanned = scanBoth(local, hostTree, &why);
    unsetCursor();
    busy = false;
    if (!scanned) {
        informationBox(why, this);
        return;
    }
    current = planSync(local, hostTree, o, o.direction == Direction::BothWays ? &state : nullptr);
    showPlan();
    if (!current.unlisted.isEmpty())
        host.appendLog(QStringLiteral("읽을 수 없어 비교하지 않은 디렉토리: ") + current.unlisted.join(QStringLiteral(", ")));
}

void TSyncForm::showPlan()
{
    const QSignalBlocker block(LV_Actions);
    LV_Actions->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(current.actions.size());
    for (int i = 0; i < current.actions.size(); ++i) {
        const Action &a = current.actions[i];
        auto *item = new QTreeWidgetItem({actionKindText(a.kind), a.path, reasonText(a.reason),
                                          sizeText(a.local) + QLatin1Char(' ') + timeText(a.local),
                                          sizeText(a.host) + QLatin1Char(' ') + timeText(a.host)});
        item->setData(0, Qt::UserRole, i);
        if (a.kind == ActionKind::Conflict) {
            item->setFlags(item->flags() & ~Qt::ItemIsUserCheckable);
            item->setForeground(0, Qt::red);
        } else {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(0, a.checked ? Qt::Checked : Qt::Unchecked);
        }
        items.append(item);
    }
    LV_Actions->addTopLevelItems(items);
    // A gap between the columns: the texts would touch otherwise.
    const int gap = LV_Actions->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (int c = 0; c < LV_Actions->columnCount(); ++c) {
        LV_Actions->resizeColumnToContents(c);
        LV_Actions->setColumnWidth(c, LV_Actions->columnWidth(c) + gap);
    }
    updateTotals();
}

void TSyncForm::actionToggled(QTreeWidgetItem *item, int column)
{
    if (column != 0)
        return;
    const int i = item->data(0, Qt::UserRole).toInt();
    if (i < 0 || i >= current.actions.size() || current.actions[i].kind == ActionKind::Conflict)
        return;
    current.actions[i].checked = item->checkState(0) == Qt::Checked;
    updateTotals();
}

QString TSyncForm::totalsText() const
{
    const Plan::Totals t = current.totals();
    if (current.actions.isEmpty())
        return QStringLiteral("할 일이 없습니다");
    return QStringLiteral("전송 %1개 (%2 바이트), 삭제 %3개, 기타 %4개, 충돌 %5개")
        .arg(t.transfers)
        .arg(groupedNumber(t.bytes))
        .arg(t.deletes)
        .arg(t.others)
        .arg(t.conflicts);
}

void TSyncForm::updateTotals()
{
    L_Totals->setText(totalsText());
    const Plan::Totals t = current.totals();
    BB_Run->setEnabled(!busy && t.transfers + t.deletes + t.others > 0);
}

void TSyncForm::BB_RunClick()
{
    if (busy)
        return;
    RemoteFs *fs = host.remoteFs();
    if (!fs || !fs->connected()) {
        informationBox(QStringLiteral("호스트에 연결되어 있지 않습니다"), this);
        return;
    }
    const Plan plan = current;
    const SyncOptions o = options();
    busy = true;
    BB_Run->setEnabled(false);
    BB_Compare->setEnabled(false);
    SyncTransfers &transfers = host.beginTransfers(int(plan.totals().transfers));
    SyncRunCallbacks cb;
    cb.log = [this](const QString &line) { host.appendLog(line); };
    SyncRunner runner(*fs, transfers, plannedLocal, plannedHost, cb);
    const SyncReport report = runner.run(plan);
    host.endTransfers();
    host.appendLog(QStringLiteral("동기화: %1개 작업 완료, %2개 실패%3")
                       .arg(report.done.size())
                       .arg(report.failed.size())
                       .arg(report.cancelled ? QStringLiteral(", 취소됨") : QString()));
    if (o.direction == Direction::BothWays) {
        // The state of this run: what is alike now, and the old word on what was left undone.
        Node local, hostTree;
        QString why;
        if (scanBoth(local, hostTree, &why)) {
            const SyncState next = stateAfter(state, local, hostTree, unsettledPaths(plan, report.done),
                                              Excludes(E_Exclude->text()));
            QString error;
            if (!saveState(stateFilePath(host.profileName(), plannedLocal, plannedHost), next, &error))
                host.appendLog(QStringLiteral("동기화 기록을 저장하지 못했습니다: ") + error);
        } else {
            host.appendLog(QStringLiteral("동기화 기록을 갱신하지 못했습니다: ") + why);
        }
    }
    busy = false;
    BB_Compare->setEnabled(true);
    host.refreshPanes();
    // What is left, if anything: the list shows it again.
    BB_CompareClick();
}

} // namespace kav
