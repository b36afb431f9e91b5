// The transfer type of each STOR and RETR, and the extension window.

#include "config/ascii_extensions.h"
#include "transfer/mode_form.h"
#include "transfer/type_choice.h"
#include "ui_mode_form.h"

#include "ftp/session.h"
#include "remotefs/ftp_fs.h"
#include "recording_ui.h"
#include "reply_peer.h"

#include <QPushButton>
#include <QTest>
#include <QLabel>
#include <gtest/gtest.h>


using namespace kav;

namespace {

AsciiExtensionList defaultList()
{
    AsciiExtensionList list;
    list.loadStored(QString());
    return list;
}

} // namespace

TEST(TypeChoice, Table)
{
    const AsciiExtensionList list = defaultList();
    const TypeControls autoOn{true, false, true};
    const TypeControls binaryOn{false, false, true};
    const TypeControls asciiOn{false, true, false};
    const TypeControls neither{false, false, false};
    struct Row { const char *file; bool force; TypeControls controls; const char *upload; const char *download; };
    const Row rows[] = {
        {"readme.TXT", false, autoOn, "TYPE A", "TYPE A"},
        {"main.cpp", false, autoOn, "TYPE A", "TYPE A"},
        {"archive.tar.gz", false, autoOn, "TYPE I", "TYPE I"},
        {"Makefile", false, autoOn, "TYPE I", "TYPE I"},
        {"dot.", false, autoOn, "TYPE I", "TYPE I"},
        {"script.txt", true, autoOn, "TYPE A", "TYPE I"},  // an executable host file goes as image
        {"readme.txt", false, binaryOn, "TYPE I", "TYPE I"},
        {"photo.jpg", true, asciiOn, "TYPE A", "TYPE A"},  // the force flag counts only in Auto mode
        {"readme.txt", false, neither, "", ""},
    };
    for (const Row &r : rows) {
        const QString ext = fileExtension(QString::fromLatin1(r.file));
        EXPECT_EQ(uploadTypeCommand(ext, r.controls, list), QString::fromLatin1(r.upload)) << r.file;
        EXPECT_EQ(downloadTypeCommand(r.force, ext, r.controls, list), QString::fromLatin1(r.download)) << r.file;
    }
    // The extension may come with its dot.
    EXPECT_EQ(uploadTypeCommand(QStringLiteral(".txt"), autoOn, list), QStringLiteral("TYPE A"));
    EXPECT_EQ(downloadTypeCommand(false, QStringLiteral(".Txt"), autoOn, list), QStringLiteral("TYPE A"));
    // An empty list: everything goes as image.
    EXPECT_EQ(uploadTypeCommand(QStringLiteral("txt"), autoOn, AsciiExtensionList()), QStringLiteral("TYPE I"));
}

TEST(TypeChoice, SendsAtMostOneTypeAndNoneThatWouldNotChangeIt)
{
    ASSERT_TRUE(ws::startup());
    kavtest::ReplyPeer peer;
    peer.on("TYPE I", {"200 Type set to I.\r\n"});
    peer.on("TYPE A", {"200 Type set to A.\r\n"});
    Session session;
    ASSERT_EQ(session.openControl(0x7f000001, peer.port(), 2000), Session::ConnectResult::Connected);

    const AsciiExtensionList list = defaultList();
    const TypeControls binaryOn{false, false, true};
    const TypeControls autoOn{true, false, true};
    FtpFs fs(session);
    ChooseUploadType(fs, QStringLiteral("txt"), binaryOn, list);
    ChooseUploadType(fs, QStringLiteral("bin"), binaryOn, list);        // already image: nothing sent
    ChooseDownloadType(fs, true, QStringLiteral("txt"), autoOn, list);  // still image
    ChooseDownloadType(fs, false, QStringLiteral("log"), autoOn, list);
    EXPECT_EQ(session.transferType(), TransferType::Ascii);
    EXPECT_EQ(peer.commands, (QList<QByteArray>{"TYPE I", "TYPE A"}));
    session.drop();
}

class ModeFormTest : public ::testing::Test {
protected:
    void add(const QString &text)
    {
        form.form()->E_Ext->setText(text);
        form.B_AddExtClick();
    }
    QStringList shown() const
    {
        QStringList out;
        for (int i = 0; i < form.form()->LB_ExtList->count(); ++i)
            out << form.form()->LB_ExtList->item(i)->text();
        return out;
    }
    AsciiExtensionList list;
    TModeForm form{list};
};

TEST_F(ModeFormTest, ControlsAndTexts)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Auto Detect Extensions"));
    EXPECT_EQ(form.form()->B_AddExt->text(), QStringLiteral("추가"));
    EXPECT_EQ(form.form()->B_DeleteExt->text(), QStringLiteral("삭제"));
    EXPECT_EQ(form.form()->B_Close->text(), QStringLiteral("닫기"));
    EXPECT_TRUE(form.form()->B_Close->isDefault());
    form.show();
    EXPECT_FALSE(form.form()->B_DeleteExt->isEnabled());
    // Every text shows whole: no label or button is narrower than its text needs.
    for (QLabel *label : form.findChildren<QLabel *>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    for (QPushButton *button : form.findChildren<QPushButton *>())
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    form.close();
}

TEST_F(ModeFormTest, AddRules)
{
    add(QStringLiteral("TXT"));
    add(QStringLiteral(".c"));
    EXPECT_EQ(form.form()->E_Ext->text(), QStringLiteral("c"));  // the dot goes from the field
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("C"), QStringLiteral("TXT")}));
    EXPECT_EQ(form.form()->LB_ExtList->currentRow(), 0);
    add(QStringLiteral(".txt"));  // already there: selected, not added
    EXPECT_EQ(shown().size(), 2);
    EXPECT_EQ(form.form()->LB_ExtList->currentRow(), 1);
    add(QString());
    add(QStringLiteral("."));  // nothing left after the dot: an empty entry would end the stored list
    EXPECT_EQ(list.items(), (QStringList{QStringLiteral("C"), QStringLiteral("TXT")}));
    EXPECT_TRUE(form.form()->B_DeleteExt->isEnabled());
}

TEST_F(ModeFormTest, TypingIsUpperCase)
{
    QTest::keyClicks(form.form()->E_Ext, QStringLiteral("hwp"));
    EXPECT_EQ(form.form()->E_Ext->text(), QStringLiteral("HWP"));
}

TEST_F(ModeFormTest, DeleteRules)
{
    for (const char *e : {"A", "B", "C"})
        add(QString::fromLatin1(e));
    form.form()->LB_ExtList->setCurrentRow(2);  // the last one: the previous is selected next
    form.form()->B_DeleteExt->click();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(form.form()->LB_ExtList->currentRow(), 1);
    form.form()->LB_ExtList->setCurrentRow(0);  // not the last: the same index is selected next
    form.B_DeleteExtClick();
    EXPECT_EQ(shown(), QStringList{QStringLiteral("B")});
    EXPECT_EQ(form.form()->LB_ExtList->currentRow(), 0);
    form.B_DeleteExtClick();
    EXPECT_TRUE(list.isEmpty());
    EXPECT_FALSE(form.form()->B_DeleteExt->isEnabled());
    form.B_DeleteExtClick();  // nothing current: nothing happens
    EXPECT_TRUE(list.isEmpty());
}
