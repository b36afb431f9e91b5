#include "main_layout.h"
#include "ui_main_form.h"

#include "platform/window_placement.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QGridLayout>
#include <QScrollArea>

#include <algorithm>

namespace kav {

namespace {

constexpr int Gap = 4;  // between the panes, rows and buttons of the design

// The pane buttons share their row's width; they may narrow to their caption
// (the style's own minimum width for push buttons is wider than the design's).
void fixHeight(std::initializer_list<QAbstractButton *> buttons, int height)
{
    for (QAbstractButton *b : buttons) {
        b->setFixedHeight(height);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        QString caption = b->text();
        caption.remove(QLatin1Char('&'));
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 10);
    }
}

void fixSize(std::initializer_list<QWidget *> widgets, int width, int height)
{
    for (QWidget *w : widgets)
        w->setFixedSize(width, height);
}

// A row of buttons sharing the width equally.
QHBoxLayout *buttonRow(std::initializer_list<QWidget *> buttons)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(Gap);
    for (QWidget *b : buttons)
        row->addWidget(b, 1);
    return row;
}

// The group box's own margins already hold its caption: the layout adds the
// design's distance from the frame.
QVBoxLayout *groupLayout(QWidget *group)
{
    auto *layout = new QVBoxLayout(group);
    layout->setContentsMargins(8, 2, 8, 6);
    layout->setSpacing(Gap);
    return layout;
}

} // namespace

void layOutMainWindow(QWidget &window, Ui::TMainForm &ui)
{
    // The tool bar: eleven buttons of one size, the network tools apart from the
    // session buttons.
    // They narrow only where the screen is too small for the design width, as
    // at a scale of 2 on a 1280 pixel wide screen, and never below their
    // caption: a still smaller screen scrolls the window instead.
    for (QAbstractButton *b : {ui.BB_Connect, ui.BB_Disconnect, ui.BB_Stop, ui.BB_Exit, ui.BB_LookUp, ui.BB_Ping,
                               ui.BB_Trace, ui.BB_Rexec, ui.BB_DayTime, ui.BB_Finger, ui.BB_IPScanner}) {
        b->setFixedHeight(34);
        QString caption = b->text();
        caption.remove(QLatin1Char('&'));
        b->setMinimumWidth(std::clamp(b->fontMetrics().horizontalAdvance(caption) + 6, 40, 60));
        b->setMaximumWidth(60);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    ui.PanelHEAD->setFixedHeight(42);
    auto *head = new QHBoxLayout(ui.PanelHEAD);
    // The panel's frame already takes its width off the contents.
    const int panelFrame = ui.PanelHEAD->frameWidth();
    head->setContentsMargins(std::max(0, 1 - panelFrame), std::max(0, 4 - panelFrame), std::max(0, 1 - panelFrame),
                             std::max(0, 4 - panelFrame));
    head->setSpacing(3);
    for (QWidget *b : {ui.BB_Connect, ui.BB_Disconnect, ui.BB_Stop, ui.BB_Exit})
        head->addWidget(b);
    head->addSpacing(4);
    for (QWidget *b : {ui.BB_LookUp, ui.BB_Ping, ui.BB_Trace, ui.BB_Rexec, ui.BB_DayTime,
                       ui.BB_Finger, ui.BB_IPScanner})
        head->addWidget(b);
    head->addStretch(1);

    // Local pane.
    fixSize({ui.SB_ConnectDRV, ui.SB_DisconnectDRV, ui.SB_LocalToClip, ui.SB_CopyLocalPath}, 24, 24);
    fixHeight({ui.LBrefresh, ui.LBLaunchExplorer, ui.LBfindfile, ui.LBbookmark, ui.LBtools,
               ui.LBprintset},
              26);
    ui.LTabSet->setFixedHeight(24);
    ui.LTabSet->setExpanding(false);
    QVBoxLayout *local = groupLayout(ui.GB_LocalSide);
    local->addWidget(ui.LTabSet);
    auto *driveButtons = new QHBoxLayout;
    driveButtons->setSpacing(2);
    for (QWidget *b : {ui.SB_ConnectDRV, ui.SB_DisconnectDRV, ui.SB_LocalToClip, ui.SB_CopyLocalPath})
        driveButtons->addWidget(b);
    driveButtons->addStretch(1);
    local->addLayout(driveButtons);
    local->addWidget(ui.L_Splitter, 1);
    local->addLayout(buttonRow({ui.LBrefresh, ui.LBLaunchExplorer, ui.LBfindfile}));
    local->addLayout(buttonRow({ui.LBbookmark, ui.LBtools, ui.LBprintset}));

    // Host pane.
    fixSize({ui.SB_HostToClip, ui.SB_CopyRemotePath}, 24, 24);
    ui.CB_CurName->setFixedHeight(24);
    ui.CB_CurName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fixHeight({ui.RBrefresh, ui.RBfindfile, ui.RBbookmark, ui.RBqueue, ui.RBlogwnd, ui.RBnewsession,
               ui.RBabout},
              26);
    QVBoxLayout *host = groupLayout(ui.GB_HostSide);
    auto *current = new QHBoxLayout;
    current->setSpacing(Gap);
    current->addWidget(ui.CB_CurName, 1);
    current->addWidget(ui.SB_HostToClip);
    current->addWidget(ui.SB_CopyRemotePath);
    host->addLayout(current);
    host->addWidget(ui.R_Splitter, 1);
    host->addLayout(buttonRow({ui.RBrefresh, ui.RBfindfile, ui.RBbookmark, ui.RBqueue}));
    host->addLayout(buttonRow({ui.RBlogwnd, ui.RBnewsession, ui.RBabout}));

    // The transfer buttons between the panes, with the hidden entry images.
    fixSize({ui.SB_LeftRight, ui.SB_RightLeft}, 36, 40);
    auto *between = new QVBoxLayout;
    between->setSpacing(10);
    between->addStretch(15);
    between->addWidget(ui.SB_LeftRight);
    between->addWidget(ui.SB_RightLeft);
    for (QWidget *image : {ui.Image_EXE, ui.Image_TXT, ui.Image_DIR})
        between->addWidget(image, 0, Qt::AlignHCenter);
    between->addStretch(19);

    // The panes share the width in the design's proportion, whatever their contents.
    for (QWidget *pane : {static_cast<QWidget *>(ui.GB_LocalSide), static_cast<QWidget *>(ui.GB_HostSide)}) {
        pane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        pane->setMinimumWidth(pane->minimumSizeHint().width());
    }
    auto *panes = new QHBoxLayout;
    panes->setContentsMargins(Gap, 0, Gap, 0);
    panes->setSpacing(Gap);
    panes->addWidget(ui.GB_LocalSide, 320);
    panes->addLayout(between);
    panes->addWidget(ui.GB_HostSide, 325);

    // The bottom row: the transfer type keeps its size, the message list widens.
    ui.GB_TransMode->setFixedSize(150, 78);
    ui.LB_message->setFixedHeight(74);
    auto *bottom = new QHBoxLayout;
    bottom->setContentsMargins(Gap, 0, Gap, Gap);
    bottom->setSpacing(Gap);
    bottom->addWidget(ui.GB_TransMode);
    bottom->addWidget(ui.LB_message, 1, Qt::AlignBottom);

    auto *frame = new QVBoxLayout;
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(Gap);
    frame->addWidget(ui.PanelHEAD);
    frame->addLayout(panes, 1);
    frame->addLayout(bottom);

    // A screen smaller than the window's least size (a small screen at a large
    // scale) gets the window fitted to it with its contents scrolling, rather
    // than controls lying off the screen or squeezed over one another. Larger
    // screens never show the scroll bars.
    QScrollArea *scroll = scrollAreaAround(&window, frame);
    scroll->setObjectName(QStringLiteral("MainScroll"));
    QWidget *content = scroll->widget();
    content->setObjectName(QStringLiteral("MainContent"));
    // Where the screen has room, the window keeps the least size of its
    // contents, as without the scroll area; fitting it onto a smaller screen
    // lowers this.
    window.setMinimumSize(content->minimumSizeHint());
}

} // namespace kav
