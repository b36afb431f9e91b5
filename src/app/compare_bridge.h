#pragma once
// The directory comparison of the two panes: a check item on both panes'
// directory menus that colours, in both file lists, the files that only one
// side has, that are newer on one side, or that differ in size, by the
// criteria chosen beside it, and can hide the files that are the same. The
// marks are made again after every listing of either pane, so they follow
// every refresh and every change of directory.
//
// Beside it, synchronized browsing: once switched on, entering or leaving a
// directory in one pane does the same in the other, by the same path relative
// to the two directories the panes showed when it was switched on. A directory
// the other side lacks is made only when the user says so. Leaving the pair's
// trees leaves the other pane where it is. The user's choice is kept with the
// profile, and a profile's next session browses together from its first
// listing.

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
    QAction *N_BrowseTogether = nullptr;

    // Marks both lists again (or takes the marks away when the comparison is off).
    void remark();
    unsigned criteria() const;

    // The colour of a mark's row; invalid for no mark.
    static QColor markColour(sync::PaneMark mark);

private:
    void localListed();
    void hostListed();
    void browseTogetherToggled(bool on);
    void rememberBrowsing();
    // The same relative place on the other side; false when the path is outside the pair's tree.
    static bool relativeTo(const QString &root, const QString &path, QString *relative);
    static QString joined(const QString &root, const QString &relative);
    void followToHost(const QString &relative);
    void followToLocal(const QString &relative);
    bool idle() const;
    void markLocal(const sync::PaneMarks &marks, bool on, bool hideSame);
    void markHost(const sync::PaneMarks &marks, bool on, bool hideSame);
    TMainForm &window;
    QActionGroup *by = nullptr;
    bool hostHidden = false;   // some host row is hidden now
    bool marked = false;       // the lists carry marks now
    QString localRoot, hostRoot;          // the pair browsed together
    QString localShown, hostShown;        // the directories the panes listed last
    bool following = false;               // one pane is being moved after the other
};

} // namespace kav
