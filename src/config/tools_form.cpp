#include "tools_form.h"

#include "lists_host.h"

#include "platform/dialogs.h"
#include "platform/event_pump.h"
#include "platform/local_path.h"
#include "platform/processes.h"
#include "platform/shell.h"

#include <QAction>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace kav {

namespace {

int iconSize(const QWidget *w)
{
    return w->style()->pixelMetric(QStyle::PM_LargeIconSize);
}

// The icon at the item's left edge, the text two pixels after it and eight down.
class ToolDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    int icon = 32;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(r, selected ? option.palette.highlight() : option.palette.base());
        const QIcon pic = index.data(Qt::DecorationRole).value<QIcon>();
        pic.paint(painter, QRect(r.left(), r.top(), icon, icon));
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        const QFontMetrics fm(option.font);
        painter->drawText(r.left() + icon + 2, r.top() + 8 + fm.ascent(), index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QFontMetrics fm(option.font);
        return {icon + 2 + fm.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4, icon + 1};
    }
};

// Whatever the bytes of its name: Qt's own file classes miss a name that is not UTF-8.
bool isFile(const QString &path)
{
    return localpath::status(path).isFile;
}

} // namespace

TToolsForm::TToolsForm(SavedListsHost &host, QWidget *parent) : ListWindow(host, QStringLiteral("Tools"), parent)
{
    setObjectName(QStringLiteral("TToolsForm"));
    resize(designSize(SizedWindow::Tools));
    auto *layout = new QHBoxLayout(this);
    LB_ToolMark = new QListWidget(this);
    LB_ToolMark->setObjectName(QStringLiteral("LB_ToolMark"));
    LB_ToolMark->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *delegate = new ToolDelegate(LB_ToolMark);
    delegate->icon = iconSize(this);
    LB_ToolMark->setItemDelegate(delegate);
    LB_ToolMark->setUniformItemSizes(true);
    LB_ToolMark->setContextMenuPolicy(Qt::CustomContextMenu);
    LB_ToolMark->installEventFilter(this);
    layout->addWidget(LB_ToolMark, 1);

    auto *panel = new QVBoxLayout;
    layout->addLayout(panel);
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PM_Tools"));
    BB_Run = addCommand(panel, menu, QStringLiteral("BB_Run"), QStringLiteral("실행"),
                        QStringLiteral("선택한 프로그램을 실행합니다"), &N_Run);
    BB_Delete = addCommand(panel, menu, QStringLiteral("BB_Delete"), QStringLiteral("삭제"),
                           QStringLiteral("선택한 프로그램을 삭제합니다(파일시스템의 삭제가 아닙니다)"), &N_Delete);
    BB_Up = addCommand(panel, menu, QStringLiteral("BB_Up"), QStringLiteral("위로"),
                       QStringLiteral("선택한 프로그램을 한칸 위로 이동 시킵니다"), &N_Up);
    BB_Down = addCommand(panel, menu, QStringLiteral("BB_Down"), QStringLiteral("아래로"),
                         QStringLiteral("선택한 프로그램을 한칸 아래로 이동 시킵니다"), &N_Down);
    menu->addSeparator();
    BB_Argument = addCommand(panel, menu, QStringLiteral("BB_Argument"), QStringLiteral("매개변수"),
                             QStringLiteral("선택한 프로그램에 파라미터(명령행 인자)를 지정합니다"), &N_Argument);
    panel->addStretch(1);
    BB_Close = addCommand(panel, menu, QStringLiteral("BB_Close"), QStringLiteral("닫기"),
                          QStringLiteral("현재 화면을 닫습니다"), &N_Close);
    // Enter starts the selected program; Escape closes the window.
    BB_Run->setDefault(true);

    connect(BB_Run, &QPushButton::clicked, this, &TToolsForm::BB_RunClick);
    connect(BB_Delete, &QPushButton::clicked, this, &TToolsForm::BB_DeleteClick);
    connect(BB_Up, &QPushButton::clicked, this, &TToolsForm::BB_UpClick);
    connect(BB_Down, &QPushButton::clicked, this, &TToolsForm::BB_DownClick);
    connect(BB_Argument, &QPushButton::clicked, this, &TToolsForm::BB_ArgumentClick);
    connect(BB_Close, &QPushButton::clicked, this, &TToolsForm::BB_CloseClick);
    connect(LB_ToolMark, &QListWidget::itemDoubleClicked, this, &TToolsForm::BB_RunClick);
    connect(LB_ToolMark, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &pos) { menu->popup(LB_ToolMark->viewport()->mapToGlobal(pos)); });
    setTakesDrops(true);
    UpdateButtons();
}

void TToolsForm::render()
{
    static QFileIconProvider icons;
    LB_ToolMark->clear();
    for (int i = 0; i < list.size(); ++i) {
        const QString &text = list.at(i);
        // The program's own icon; an entry with arguments shows its program's.
        const ToolLaunch l = toolLaunch(text, isFile);
        // Qt cannot look at a name with foreign bytes: such a program gets the plain file glyph.
        const QIcon icon = localpath::hasEscapes(l.program) ? icons.icon(QFileIconProvider::File)
                                                            : icons.icon(QFileInfo(l.program));
        auto *item = new QListWidgetItem(icon, localpath::displayPath(text), LB_ToolMark);
        item->setSizeHint(QSize(0, iconSize(this) + 1));
    }
    if (list.current() >= 0 && list.current() < list.size())
        LB_ToolMark->setCurrentRow(list.current());
}

void TToolsForm::pullCurrent()
{
    list.setCurrent(LB_ToolMark->currentRow());
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, i == list.current());
}

AddOutcome TToolsForm::AddTool(const QString &text)
{
    pullCurrent();
    const AddOutcome outcome = addTool(list, text);
    if (outcome == AddOutcome::Added) {
        render();
        LB_ToolMark->scrollToItem(LB_ToolMark->item(list.size() - 1));
    } else if (outcome == AddOutcome::Unstorable) {
        host.log(ListSide::Local, refusalText(outcome, QStringLiteral("Tools"), text, ToolsCapacity));
    }
    return outcome;
}

void TToolsForm::load(const QList<QString> &entries)
{
    list.clear();
    for (const QString &e : entries)
        addTool(list, e);
    render();
    UpdateButtons();
}

void TToolsForm::LBtoolsClick()
{
    host.hideMainWindow();
    show();
    FormActivate();
}

void TToolsForm::N_LAddToolClick()
{
    const QStringList paths = host.selectedLocalPaths();
    if (paths.isEmpty()) {
        host.log(ListSide::Local, QStringLiteral("먼저 파일을 선택하세요."));
        return;
    }
    for (const QString &path : paths)
        AddTool(path);
    UpdateButtons();
}

void TToolsForm::filesDropped(const QStringList &paths)
{
    for (const QString &path : paths)
        if (isFile(path))
            AddTool(path);
    UpdateButtons();
}

void TToolsForm::FormActivate()
{
    PumpMessages(1);
    UpdateButtons();
    raise();
    activateWindow();
}

void TToolsForm::UpdateButtons()
{
    const bool any = !list.isEmpty();
    for (QPushButton *b : {BB_Run, BB_Delete, BB_Up, BB_Down, BB_Argument})
        b->setEnabled(any);
    for (QAction *a : {N_Run, N_Delete, N_Up, N_Down, N_Argument})
        a->setEnabled(any);
}

bool TToolsForm::launch(const ToolLaunch &l)
{
    if (l.openFile)
        return openWithAssociatedProgram(l.program);
    return !l.program.isEmpty() && shell::startDetached(l.program, l.arguments);
}

void TToolsForm::BB_RunClick()
{
    pullCurrent();
    if (list.current() < 0 || list.current() >= list.size())
        return;
    // A tool that cannot start is said so; the window stays for the user to mend it.
    const QString entry = list.at(list.current());
    const ToolLaunch how = toolLaunch(entry, isFile);
    if (!launch(how)) {
        informationBox(QStringLiteral("도구 '") + localpath::displayPath(how.program.isEmpty() ? entry : how.program)
                           + QStringLiteral("' 을(를) 실행할 수 없습니다."),
                       this);
        return;
    }
    accept();
}

void TToolsForm::BB_DeleteClick()
{
    pullCurrent();
    if (list.current() < 0 || list.current() >= list.size())
        return;
    list.removeSelected();
    render();
    UpdateButtons();
    LB_ToolMark->setFocus();
}

void TToolsForm::BB_UpClick()
{
    pullCurrent();
    if (list.current() < 0)
        return;
    const bool moved = list.moveUp();
    render();
    if (!moved)
        host.beep();
}

void TToolsForm::BB_DownClick()
{
    pullCurrent();
    if (list.current() < 0)
        return;
    const bool moved = list.moveDown();
    render();
    if (!moved)
        host.beep();
}

void TToolsForm::BB_ArgumentClick()
{
    pullCurrent();
    const int row = list.current();
    if (row < 0 || row >= list.size())
        return;
    // Shown as names are; words added after a program whose name is not UTF-8 keep its bytes.
    // A program file is offered quoted, so that the words added after it stay apart from a
    // path with blanks.
    const QString entry = list.at(row);
    const bool plainFile = isFile(entry);
    const QString shown = localpath::displayPath(entry);
    QString answer = plainFile ? shellQuoted(shown) : shown;
    if (!dialogs().inputQuery(this, QStringLiteral("매개변수 변경"), QStringLiteral("등록정보: ") + shown, answer))
        return;
    answer = answer.trimmed();
    if (plainFile && answer == shellQuoted(shown))
        return;   // nothing added
    answer = localpath::fromShownPath(answer, entry);
    if (answer.isEmpty() || answer == entry)
        return;
    if (hasLineBreak(answer) || list.entries().contains(answer))
        return;
    list[row] = answer;
    render();
}

void TToolsForm::BB_CloseClick()
{
    reject();
}

bool TToolsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LB_ToolMark && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        BB_DeleteClick();
        return true;
    }
    return ListWindow::eventFilter(watched, event);
}

} // namespace kav
