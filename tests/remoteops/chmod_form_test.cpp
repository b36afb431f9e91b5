// The permission window: its texts, the boxes a file's mode checks, and the
// mode text rebuilt on every click.

#include "remoteops/chmod_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kav;

namespace {

template <typename T>
T *child(const TChmodForm &form, const char *name)
{
    T *w = form.findChild<T *>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST(ChmodForm, EveryControlWithItsText)
{
    TChmodForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("File Properties - Host"));
    QStringList captions;
    for (const QLabel *l : form.findChildren<QLabel *>())
        captions << l->text();
    for (const char *c : {"Name :", "Owner :", "Group :", "Size :", "Date :", "I-node number :", "Number of link :"})
        EXPECT_TRUE(captions.contains(QLatin1String(c))) << c;
    for (const char *l : {"L_Name", "L_Owner", "L_Group", "L_Size", "L_Date", "L_inodenumber", "L_linknumber",
                          "P_permission"})
        child<QLabel>(form, l);
    struct Group {
        const char *name, *title;
        const char *boxes[3];
        const char *captions[3];
    };
    const Group groups[] = {
        {"GB_Owner", "Owner", {"CB_OwnerRead", "CB_OwnerWrite", "CB_OwnerExecute"}, {"Read", "Write", "Execute"}},
        {"GB_Group", "Group", {"CB_GroupRead", "CB_GroupWrite", "CB_GroupExecute"}, {"Read", "Write", "Execute"}},
        {"GB_Other", "Other", {"CB_OtherRead", "CB_OtherWrite", "CB_OtherExecute"}, {"Read", "Write", "Execute"}},
        {"GroupBox1", "Executable", {"CB_ExecutableSUID", "CB_ExecutableSGID", "CB_ExecutableSTK"},
         {"Set-User-ID", "Set-Group-ID", "Sticky"}},
    };
    for (const Group &g : groups) {
        QGroupBox *box = child<QGroupBox>(form, g.name);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title(), QLatin1String(g.title));
        for (int i = 0; i < 3; ++i) {
            QCheckBox *c = child<QCheckBox>(form, g.boxes[i]);
            ASSERT_TRUE(c);
            EXPECT_EQ(c->text(), QLatin1String(g.captions[i]));
            EXPECT_EQ(c->parentWidget(), box);
        }
    }
    QPushButton *ok = child<QPushButton>(form, "B_Ok");
    QPushButton *cancel = child<QPushButton>(form, "B_Cancel");
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ok->text(), QStringLiteral("변경"));
    EXPECT_EQ(ok->toolTip(), QStringLiteral("파일의 속성(mode)을 변경합니다"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(cancel->text(), QStringLiteral("취소"));
}

TEST(ChmodForm, ShowsTheFileAndRebuildsTheModeOnEveryClick)
{
    FileProperties p;
    p.inode = "1048602";
    p.permission = "-rwsr-xr-x";
    p.links = "1";
    p.owner = "kim";
    p.group = "staff";
    p.size = "4096";
    p.month = "Mar";
    p.day = "04";
    p.timeOrYear = "2021";
    p.mode = 04755;
    TChmodForm form;
    form.showProperties(QStringLiteral("실행 파일"), p);
    EXPECT_EQ(child<QLabel>(form, "L_Name")->text(), QStringLiteral("실행 파일"));
    EXPECT_EQ(child<QLabel>(form, "L_Size")->text(), QStringLiteral("4096 Bytes"));
    EXPECT_EQ(child<QLabel>(form, "L_Date")->text(), QStringLiteral("Mar 04  2021"));
    EXPECT_EQ(child<QLabel>(form, "L_inodenumber")->text(), QStringLiteral("1048602"));
    EXPECT_EQ(child<QLabel>(form, "L_linknumber")->text(), QStringLiteral("1"));
    EXPECT_EQ(form.permissionText(), QStringLiteral("4755"));
    EXPECT_TRUE(child<QCheckBox>(form, "CB_OwnerExecute")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(form, "CB_ExecutableSUID")->isChecked());

    struct Click {
        const char *box;
        const char *text;
    };
    const Click clicks[] = {
        {"CB_ExecutableSUID", "755"}, {"CB_ExecutableSTK", "1755"}, {"CB_ExecutableSGID", "3755"},
        {"CB_OtherRead", "3751"},     {"CB_OwnerWrite", "3551"},    {"CB_ExecutableSTK", "2551"},
        {"CB_ExecutableSGID", "551"}, {"CB_GroupWrite", "571"},
    };
    for (const Click &c : clicks) {
        child<QCheckBox>(form, c.box)->click();
        EXPECT_EQ(form.permissionText(), QLatin1String(c.text)) << c.box;
    }
}
