#pragma once
// The directory comparison of the two panes: a check item on both panes'
// directory menus that colours, in both file lists, the files that only one
// side has, that are newer on one side, or that differ in size, by the
// criteria chosen beside it, and can hide the files that are the same. The
// marks are made again after every listing of either pane, so they follow
// every refresh and every change of directory.

#include "sync/pane_compare.h"

#include <QObject>

class QAction;
class QActionGroup;
class QColor;

namespace kav {

class TMainForm;

class CompareBridge : public QObject {
    Q_OBJECT
public:
    explicit CompareBridge(TMainForm &window);

    // The menu items (both directory menus hold the same ones).
    QAction *N_Compare = nullptr;
    QAction *N_CompareByBoth = nullptr;
    QAction *N_CompareByTime = nullptr;
    QAction *N_CompareBySize = nullptr;
    QAction *N_CompareHideSame = nullptr;

    // Marks both lists again (or takes the marks away when the comparison is off).
    void remark();
    unsigned criteria() const;

    // The colour of a mark's row; invalid for no mark.
    static QColor markColour(sync::PaneMark mark);

private:
    void markLocal(const sync::PaneMarks &marks, bool on, bool hideSame);
    void markHost(const sync::PaneMarks &marks, bool on, bool hideSame);
    TMainForm &window;
    QActionGroup *by = nullptr;
    bool hostHidden = false;   // some host row is hidden now
    bool marked = false;       // the lists carry marks now
};

} // namespace kav
