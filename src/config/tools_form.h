#pragma once
// TToolsForm: a short list of local programs (or any files the desktop opens),
// each shown with the icon of its type, started with a double click.

#include "config/list_rules.h"
#include "config/list_window.h"

class QListWidget;

namespace kav {

class TToolsForm : public ListWindow, public ListHolder<QString> {
    Q_OBJECT
public:
    explicit TToolsForm(SavedListsHost &host, QWidget *parent = nullptr);

    AddOutcome AddTool(const QString &text);
    void LBtoolsClick();
    void N_LAddToolClick();

    void FormActivate();
    void BB_RunClick();
    void BB_DeleteClick();
    void BB_UpClick();
    void BB_DownClick();
    void BB_ArgumentClick();
    void BB_CloseClick();
    void UpdateButtons();

    void load(const QList<QString> &entries) override;
    QList<QString> entries() const override { return list.entries(); }

    QListWidget *LB_ToolMark = nullptr;
    QPushButton *BB_Run, *BB_Delete, *BB_Up, *BB_Down, *BB_Argument, *BB_Close;
    QAction *N_Run, *N_Delete, *N_Up, *N_Down, *N_Argument, *N_Close;

protected:
    // Seam: starts an entry (tests record it instead).
    virtual bool launch(const ToolLaunch &launch);
    void filesDropped(const QStringList &paths) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void render();
    void pullCurrent();
    OrderedList<QString> list;
};

} // namespace kav
