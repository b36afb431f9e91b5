#pragma once
// The bookmark windows: TBookmarkLForm (local files, kept for the whole program)
// and TBookmarkRForm (host files of the connected profile). Both lists may be
// divided by subject lines ("▶ " and a name) and ordered by the user.

#include "config/list_rules.h"
#include "config/list_window.h"

class QListWidget;

namespace kav {

class TBookmarkForm : public ListWindow {
    Q_OBJECT
public:
    static inline const QString ListName = QStringLiteral("책갈피(Bookmark)");

    void FormActivate();
    void BB_GotoClick();
    void BB_DeleteClick();
    void BB_UpClick();
    void BB_DownClick();
    void BB_SubjectClick();
    void BB_SendFilesClick();
    void BB_CloseClick();
    void UpdateButtons();

    QListWidget *LB_BookMark = nullptr;
    QPushButton *BB_Goto, *BB_Delete, *BB_Up, *BB_Down, *BB_Subject, *BB_SendFiles, *BB_Close;
    QAction *N_Goto, *N_Delete, *N_Up, *N_Down, *N_Subject, *N_SendFiles, *N_Close;

    // The entries as shown (texts only), for tests and the search windows.
    QStringList texts() const;

protected:
    TBookmarkForm(SavedListsHost &host, bool hostSide, QWidget *parent);
    virtual void goTo(int row) = 0;
    virtual void send(const QList<int> &rows) = 0;
    void render();
    void pullSelection();
    // Removes the entries selected in the model, as Delete does.
    void removeSelected();
    void added(AddOutcome outcome, const QString &text);
    bool eventFilter(QObject *watched, QEvent *event) override;

    OrderedList<HostBookmark> list;
    const bool hostSide;
};

class TBookmarkLForm : public TBookmarkForm, public ListHolder<QString> {
    Q_OBJECT
public:
    explicit TBookmarkLForm(SavedListsHost &host, QWidget *parent = nullptr);

    AddOutcome AddLocalBookmark(const QString &text);
    void LBbookmarkClick();
    void N_LAddBookmarkClick();

    void load(const QList<QString> &entries) override;
    QList<QString> entries() const override;

protected:
    void goTo(int row) override;
    void send(const QList<int> &rows) override;
    void filesDropped(const QStringList &paths) override;
};

class TBookmarkRForm : public TBookmarkForm, public ListHolder<HostBookmark> {
    Q_OBJECT
public:
    explicit TBookmarkRForm(SavedListsHost &host, QWidget *parent = nullptr);

    AddOutcome AddHostBookmark(const QString &text, bool binary);
    void RBbookmarkClick();
    void N_RAddBookmarClick();

    void load(const QList<HostBookmark> &entries) override;
    QList<HostBookmark> entries() const override { return list.entries(); }

protected:
    void goTo(int row) override;
    void send(const QList<int> &rows) override;
};

} // namespace kav
