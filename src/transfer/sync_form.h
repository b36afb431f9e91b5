#pragma once
// The synchronize window: a local directory and a host directory, the
// direction, the criteria and the options; "비교" lists every action the
// sync proposes, each with a check box, with the totals; "실행" runs the
// checked ones through the transfer engine (its window shows progress and
// takes the cancel; a cancelled run leaves the rest for the next one).
// Nothing is deleted or overwritten that the list did not show.

#include "sync/sync_plan.h"
#include "sync/sync_state.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kav {

class RemoteFs;

namespace sync {
class SyncTransfers;
}

// What the window needs of the main window.
class SyncFormHost {
public:
    virtual ~SyncFormHost() = default;
    // The connection's file system; null when not logged in.
    virtual RemoteFs *remoteFs() = 0;
    virtual QString profileName() const = 0;
    // The profile's zone offset for LIST times, in minutes east of UTC.
    virtual int zoneOffsetMinutes() const = 0;
    virtual QString localDirectory() const = 0;
    virtual QString hostDirectory() const = 0;
    virtual void appendLog(const QString &line) = 0;
    // The transfers of a run: the transfer window comes up at begin and goes at end.
    virtual sync::SyncTransfers &beginTransfers(int total) = 0;
    virtual void endTransfers() = 0;
    // Both panes show what the run changed.
    virtual void refreshPanes() = 0;
};

class TSyncForm : public QDialog {
    Q_OBJECT
public:
    TSyncForm(SyncFormHost &host, QWidget *parent = nullptr);
    ~TSyncForm() override;

    // Takes the panes' directories as the pair (unless the user typed others).
    void showFor(const QString &localDir, const QString &hostDir);

    void BB_CompareClick();
    void BB_RunClick();

    const sync::Plan &plan() const { return current; }
    QTreeWidget *actionList() const { return LV_Actions; }
    QString totalsText() const;

    // The controls, by the names they carry.
    QLineEdit *E_LocalDir, *E_HostDir, *E_Exclude;
    QRadioButton *RB_ToHost, *RB_ToLocal, *RB_Both;
    QCheckBox *CB_ByTime, *CB_BySize, *CB_ByContent, *CB_Mirror, *CB_OnlyExisting;
    QPushButton *BB_Compare, *BB_Run, *BB_Close;
    QTreeWidget *LV_Actions;
    QLabel *L_Totals;

private:
    sync::SyncOptions options() const;
    void showPlan();
    void actionToggled(QTreeWidgetItem *item, int column);
    void updateTotals();
    void directionChanged();
    bool scanBoth(sync::Node &local, sync::Node &host, QString *why);

    SyncFormHost &host;
    sync::Plan current;
    sync::SyncState state;            // both ways: the last completed sync of this pair
    QString plannedLocal, plannedHost; // the pair the plan was made for
    bool busy = false;
};

// "1,234,567": sizes in the totals, grouped as the transfer window groups them.
QString groupedNumber(qint64 value);

} // namespace kav
