#pragma once
// The host file commands wired as the main window wires them, without the main
// window: the composition root over plain widgets and a recording window.

#include "wired_session.h"

#include "remoteops/chmod_form.h"
#include "remoteops/host_file_ops.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kavtest {

// What the permission window showed when it came up.
struct ShownProperties {
    QString name, owner, group, size, date, inode, links, permission;
    QStringList checked;   // object names of the checked boxes
};

inline ShownProperties shownProperties(const kav::TChmodForm &form)
{
    ShownProperties s;
    const auto label = [&form](const char *name) { return form.findChild<QLabel *>(QLatin1String(name))->text(); };
    s.name = label("L_Name");
    s.owner = label("L_Owner");
    s.group = label("L_Group");
    s.size = label("L_Size");
    s.date = label("L_Date");
    s.inode = label("L_inodenumber");
    s.links = label("L_linknumber");
    s.permission = label("P_permission");
    for (const QCheckBox *box : form.findChildren<QCheckBox *>())
        if (box->isChecked())
            s.checked << box->objectName();
    s.checked.sort();
    return s;
}

// The session parts as the composition root wires them (wired_session.h),
// with the permission window answered by the test.
struct HostOps : WiredSession {
    kav::HostFileOps *ops = hostFileOps;

    // The permission window: what it showed, and what the test does in it
    // before it closes (returns the result: QDialog::Accepted or Rejected).
    QList<ShownProperties> shown;
    std::function<int(kav::TChmodForm &)> inChmodWindow = [](kav::TChmodForm &) { return 0; };

    HostOps()
    {
        ops->runModal = [this](QDialog &d) {
            auto &form = static_cast<kav::TChmodForm &>(d);
            shown << shownProperties(form);
            return inChmodWindow(form);
        };
        scripted().clear();
    }

    static kav::ScriptedDialogs &scripted() { return static_cast<kav::ScriptedDialogs &>(kav::dialogs()); }

    void login(const QString &user = QStringLiteral("kim"), const QString &password = QStringLiteral("secret"))
    {
        flow.profile.HostName = QStringLiteral("h");
        flow.profile.HostIP = QStringLiteral("127.0.0.1");
        flow.profile.UserId = user;
        flow.profile.Password = password;
        flow.BB_ConnectClick(false);
        // The SYST rule reaches the permission menu item, as in the main window.
        changeMode.setEnabled(ui.unixCommands);
    }

    QStringList fileNames() const
    {
        QStringList out;
        for (int i = 0; i < files.count(); ++i)
            out << files.item(i)->text();
        return out;
    }
    QStringList dirNames() const
    {
        QStringList out;
        for (int i = 1; i < dirs.count(); ++i)
            out << dirs.item(i)->text();
        return out;
    }
    QStringList selectedFiles() const
    {
        QStringList out;
        for (int i = 0; i < files.count(); ++i)
            if (files.item(i)->isSelected())
                out << files.item(i)->text();
        return out;
    }
    void selectFiles(const QStringList &names)
    {
        files.clearSelection();
        for (const QString &n : names) {
            const auto found = files.findItems(n, Qt::MatchExactly);
            EXPECT_FALSE(found.isEmpty()) << n.toStdString();
            if (!found.isEmpty()) {
                found.first()->setSelected(true);
                files.setCurrentItem(found.first(), QItemSelectionModel::Select);
            }
        }
    }
    void selectDir(const QString &name)
    {
        const auto found = dirs.findItems(name, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        dirs.setCurrentItem(found.first());
    }
    void enterDir(const QString &name)
    {
        selectDir(name);
        pane->RDirListBoxDblClick();
    }
    // The transcript lines logged since `from`.
    QStringList logSince(qsizetype from) const { return ui.log.mid(from); }
    // Whether a command beginning with `prefix` was sent since `from`.
    bool sentSince(qsizetype from, const QString &prefix) const
    {
        for (const QString &line : logSince(from))
            if (line.startsWith(QStringLiteral("[L] - ") + prefix))
                return true;
        return false;
    }
};

} // namespace kavtest
