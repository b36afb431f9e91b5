#pragma once
// The file search windows: TFindLForm (the local file system) and TFindRForm
// (the connected host, walked with CWD and LIST). Their results can be opened
// in their pane, added to the queue or the bookmarks, or sent at once.

#include "config/list_window.h"
#include "platform/local_path_field.h"

#include <QElapsedTimer>

class QCheckBox;
class QHBoxLayout;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QToolButton;

namespace kav {

class TBookmarkLForm;
class TBookmarkRForm;
class TQueueForm;

class TFindForm : public ListWindow {
    Q_OBJECT
public:
    void setLists(TQueueForm *queue, TBookmarkLForm *localMarks, TBookmarkRForm *hostMarks);

    void FormActivate();
    void B_RunClick();
    void B_StopClick();
    void B_GotoDirClick();
    void B_AddBookmarkClick();
    void B_AddQueueClick();
    void B_SendFilesClick();
    void B_CloseClick();

    // The stop flag (the tag of B_Stop): 0 run, 1 stop requested.
    int stopFlag() const { return stopTag; }
    // The result paths as listed (sorted by their shown text).
    QStringList results() const;

    QComboBox *CB_FindFile = nullptr;
    QLineEdit *E_FindDir = nullptr;
    QCheckBox *CB_ExtendFind = nullptr;
    QLabel *L_Reading = nullptr;
    QLabel *L_Finded = nullptr;
    QListWidget *LB_Result = nullptr;
    QPushButton *B_Run, *B_Stop, *B_GotoDir, *B_AddBookmark, *B_AddQueue, *B_SendFiles, *B_Close;

    static inline const QString NothingFound = QStringLiteral("찾는 파일이 없습니다.");

protected:
    TFindForm(SavedListsHost &host, bool hostSide, QWidget *parent);
    // The side's start directory when E_FindDir is empty.
    virtual QString defaultDirectory() const = 0;
    virtual QString defaultPattern() const = 0;
    // The walk; false when it could not start (its message is shown).
    virtual void walk() = 0;
    virtual void goTo(const QString &path) = 0;
    virtual void addBookmarks(const QList<int> &rows) = 0;
    virtual void addQueue(const QList<int> &rows) = 0;
    virtual void send(const QList<int> &rows) = 0;
    // The counters and the results as they come: shown together a few times a second,
    // so that a search of many matches neither waits for the end to show them nor
    // spends its time redrawing the list (flushResults() shows what is waiting).
    void showCounters(int read, int found);
    void addResult(const QString &path, const QString &letter = {});
    void flushResults();
    QString resultPath(int row) const;
    // The start directory: shown in E_FindDir, its path kept whatever its bytes.
    void setStartDirectory(const QString &path);
    QString startDirectory() const;
    QList<int> selectedRows() const;
    bool pump();   // lets events run; true when a stop was asked
    void setIdle(bool idle);
    bool eventFilter(QObject *watched, QEvent *event) override;

    QVBoxLayout *controls = nullptr;
    QHBoxLayout *dirRow = nullptr;
    TQueueForm *queue = nullptr;
    TBookmarkLForm *localMarks = nullptr;
    TBookmarkRForm *hostMarks = nullptr;
    int stopTag = 0;
    struct Pending {
        QString path, letter;
    };
    QList<Pending> pending;          // results not yet in the list
    int pendingRead = -1, pendingFound = -1;
    QElapsedTimer sinceShown;        // since results and counters were last shown
    const bool hostSide;
    LocalPathField localStart;   // the local side's E_FindDir
};

class TFindLForm : public TFindForm {
    Q_OBJECT
public:
    explicit TFindLForm(SavedListsHost &host, QWidget *parent = nullptr);

    void LBfindfileClick();
    void SB_FindDirClick();
    void SB_ConnectDRVClick() {}
    void SB_DisconnectDRVClick() {}
    // The drop-down patterns: "*." and each ASCII extension in lower case.
    void setPatterns(const QStringList &patterns);

    QToolButton *SB_FindDir, *SB_ConnectDRV, *SB_DisconnectDRV;

protected:
    QString defaultDirectory() const override;
    QString defaultPattern() const override { return QStringLiteral("*.*"); }
    void walk() override;
    void goTo(const QString &path) override;
    void addBookmarks(const QList<int> &rows) override;
    void addQueue(const QList<int> &rows) override;
    void send(const QList<int> &rows) override;
};

class TFindRForm : public TFindForm {
    Q_OBJECT
public:
    explicit TFindRForm(SavedListsHost &host, QWidget *parent = nullptr);

    // Opens the window for the connected host and puts the host back afterwards.
    void RBfindfileClick();
    // What Go to chose (both empty when none) and whether a search ran.
    QString gotoDirectory() const { return gotoDir; }
    QString gotoName() const { return gotoFile; }
    bool searchRan() const { return ran; }

protected:
    QString defaultDirectory() const override;
    QString defaultPattern() const override { return QStringLiteral("*"); }
    void walk() override;
    void goTo(const QString &path) override;
    void addBookmarks(const QList<int> &rows) override;
    void addQueue(const QList<int> &rows) override;
    void send(const QList<int> &rows) override;

private:
    QString gotoDir, gotoFile;
    QString startDir;   // the host directory when the window opened
    bool ran = false;
};

} // namespace kav
