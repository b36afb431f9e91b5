// The local pane on a temporary tree with Korean names: the file list and tree,
// rename, delete, case rename, directories, view and edit checks, the directory
// report, refresh reselection, wildcard tagging, drive tabs and the editor's wait.

#include "local/local_pane.h"
#include "platform/scripted_dialogs.h"
#include "viewers/view_form.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kav;

namespace {

QString q(const char *utf8) { return QString::fromUtf8(utf8); }

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TestPane : public LocalPane {
public:
    using LocalPane::LocalPane;
    QList<DriveTab> tabs;
    int viewerShown = 0;
    QString viewerCaption;
    QStringList viewerLines;
    QStringList opened;
    bool realRun = false;
    QString ranProgram;
    QStringList ranArguments;
    int runResult = 0;
    bool desktopAnswers = true;  // false: no program for the file, no file manager

protected:
    QList<DriveTab> readDriveTabs() override { return tabs; }
    void showViewer() override;
    int runAndWait(const QString &program, const QStringList &arguments) override
    {
        ranProgram = program;
        ranArguments = arguments;
        return realRun ? LocalPane::runAndWait(program, arguments) : runResult;
    }
    bool openDocument(const QString &path) override
    {
        opened << path;
        return desktopAnswers;
    }
    bool startFileManager(const QString &dir) override
    {
        opened << dir;
        return desktopAnswers;
    }
};

TViewForm *theViewer = nullptr;

void TestPane::showViewer()
{
    ++viewerShown;
    viewerCaption = theViewer->windowTitle();
    viewerLines = theViewer->lines();
}

class LocalPaneTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    QString root;
    QString startDir = QDir::currentPath();
    QTabBar tabs;
    QListWidget tree, files, hostFiles;
    QStringList logged;
    QString selectAfterRefresh;
    TViewForm viewer;
    std::unique_ptr<TestPane> pane;
    QAction upper{QStringLiteral("Rename (&Uppercase)")}, lower{QStringLiteral("Rename (&Lowercase)")},
        sentence{QStringLiteral("Rename (&Sentence Case)")};

    void SetUp() override
    {
        root = QFileInfo(tmp.path()).canonicalFilePath();
        for (const char *name : {"가나다.txt", "README.TXT", "a.b", "설치.EXE", "프로그램.exe", "자료.dat", "메모"})
            writeFile(root + QLatin1Char('/') + q(name), "첫째 줄\n둘째 줄\n");
        writeFile(root + q("/빈파일.txt"), "");
        writeFile(root + q("/.숨김.txt"), "hidden");
        QDir(root).mkdir(q("하위폴더"));
        QDir(root).mkdir(q(".숨은폴더"));
        upper.setObjectName(QStringLiteral("N_LUppercase"));
        lower.setObjectName(QStringLiteral("N_LLowercase"));
        sentence.setObjectName(QStringLiteral("N_LSentenceCase"));
        theViewer = &viewer;
        LocalPaneWidgets w;
        w.LTabSet = &tabs;
        w.LDirectoryListBox = &tree;
        w.LFileListBox = &files;
        w.RFileListBox = &hostFiles;
        pane = std::make_unique<TestPane>(w, [this](const QString &line) { logged << line; }, selectAfterRefresh,
                                          &viewer);
        pane->isTextExtension = [](const QString &ext) { return ext == QLatin1String("TXT"); };
        ASSERT_TRUE(pane->setDirectory(root));
        scripted().clear();
    }
    void TearDown() override
    {
        QDir::setCurrent(startDir);
        scripted().clear();
    }

    QStringList names() const
    {
        QStringList list;
        for (int i = 0; i < files.count(); ++i)
            list << files.item(i)->text();
        return list;
    }
    QStringList selectedNames() const
    {
        QStringList list;
        for (int i = 0; i < files.count(); ++i)
            if (files.item(i)->isSelected())
                list << files.item(i)->text();
        return list;
    }
    void select(const QStringList &wanted)
    {
        files.clearSelection();
        for (int i = 0; i < files.count(); ++i)
            files.item(i)->setSelected(wanted.contains(files.item(i)->text()));
    }
    QStringList treeTexts() const
    {
        QStringList list;
        for (int i = 0; i < tree.count(); ++i)
            list << tree.item(i)->text();
        return list;
    }
    QString path(const char *name) const { return root + QLatin1Char('/') + q(name); }
};

TEST_F(LocalPaneTest, ListShowsPlainFilesAndTheTreeFollowsTheProcess)
{
    EXPECT_EQ(names(), (QStringList{q("a.b"), q("README.TXT"), q("가나다.txt"), q("메모"), q("빈파일.txt"),
                                    q("설치.EXE"), q("자료.dat"), q("프로그램.exe")}));
    EXPECT_EQ(QDir::currentPath(), root);
    EXPECT_EQ(pane->currentDirectory(), root);
    EXPECT_TRUE(treeTexts().contains(q("하위폴더")));
    EXPECT_FALSE(treeTexts().contains(q(".숨은폴더")));
    EXPECT_EQ(tree.currentItem()->text(), QFileInfo(root).fileName());
    EXPECT_EQ(pane->fullPathOf(q("가나다.txt")), path("가나다.txt"));

    // Entering a subdirectory by the tree moves the process too; the file list follows.
    ASSERT_TRUE(pane->setDirectory(path("하위폴더")));
    EXPECT_EQ(QDir::currentPath(), path("하위폴더"));
    EXPECT_TRUE(names().isEmpty());
    EXPECT_FALSE(pane->setDirectory(path("없는폴더")));
    EXPECT_EQ(pane->currentDirectory(), path("하위폴더"));
}

TEST_F(LocalPaneTest, SelectionRuleOfSingleFileOperations)
{
    pane->N_LRenameClick();
    pane->N_LViewClick();
    select({q("가나다.txt"), q("a.b")});
    pane->N_LEditClick();
    pane->N_LOpenClick();
    EXPECT_EQ(logged, (QStringList{q("[L] - 먼저 파일을 선택하세요."), q("[L] - 먼저 파일을 선택하세요."),
                                   q("[L] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다"),
                                   q("[L] - 한개의 파일만 선택하세요. 지금작업은 다중선택을 못합니다")}));
    EXPECT_TRUE(scripted().asked.empty());
    int last = 0;
    EXPECT_EQ(pane->LocalSelectionCount(&last), 2);
    EXPECT_EQ(last, names().indexOf(q("가나다.txt")));
}

TEST_F(LocalPaneTest, RenameSelectsTheNewNameAndNeverReplacesAFile)
{
    select({q("가나다.txt")});
    scripted().pushAccept(q("마바사.txt"));
    pane->N_LRenameClick();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].caption, q("파일명 변경(Local)"));
    EXPECT_EQ(scripted().asked[0].text, q("파일: 가나다.txt"));
    EXPECT_EQ(scripted().asked[0].value, q("가나다.txt"));
    EXPECT_TRUE(QFileInfo::exists(path("마바사.txt")));
    EXPECT_FALSE(QFileInfo::exists(path("가나다.txt")));
    EXPECT_EQ(selectedNames(), QStringList{q("마바사.txt")});
    EXPECT_EQ(selectAfterRefresh, q("마바사.txt"));

    // Onto an existing name: both files stay as they were, the old one stays selected.
    scripted().pushAccept(q("자료.dat"));
    pane->N_LRenameClick();
    EXPECT_EQ(readFile(path("자료.dat")), q("첫째 줄\n둘째 줄\n").toUtf8());
    EXPECT_TRUE(QFileInfo::exists(path("마바사.txt")));
    EXPECT_EQ(selectedNames(), QStringList{q("마바사.txt")});

    // Cancel changes nothing.
    scripted().pushCancel();
    pane->N_LRenameClick();
    EXPECT_TRUE(QFileInfo::exists(path("마바사.txt")));
}

TEST_F(LocalPaneTest, DeleteOfTheLastItemsSelectsTheNewLastItem)
{
    select({q("자료.dat"), q("프로그램.exe")});
    scripted().pushButton(BtnNo);
    pane->N_LDeleteClick();
    EXPECT_TRUE(QFileInfo::exists(path("프로그램.exe")));
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].text,
              q("[주의] - 삭제\r\n2 개의 파일을 로컬에서 선택했습니다.\r\n선택한 파일들을 삭제하시겠습니까 ?"));
    EXPECT_EQ(scripted().asked[0].buttons, BtnYes | BtnNo);

    scripted().pushButton(BtnYes);
    pane->N_LDeleteClick();
    EXPECT_FALSE(QFileInfo::exists(path("자료.dat")));
    EXPECT_FALSE(QFileInfo::exists(path("프로그램.exe")));
    EXPECT_EQ(names().last(), q("설치.EXE"));
    EXPECT_EQ(selectedNames(), QStringList{q("설치.EXE")});
    EXPECT_EQ(files.currentItem()->text(), q("설치.EXE"));

    // In the middle: the item now at the last deleted index.
    select({q("README.TXT")});
    scripted().pushButton(BtnYes);
    pane->N_LDeleteClick();
    EXPECT_EQ(selectedNames(), QStringList{q("가나다.txt")});

    files.clearSelection();
    pane->N_LDeleteClick();
    EXPECT_EQ(logged.last(), q("[L] - 먼저 파일을 선택하세요."));
}

TEST_F(LocalPaneTest, CaseRenameOfSelectedFiles)
{
    select({q("README.TXT"), q("a.b"), q("가나다.txt")});
    scripted().pushButton(BtnYes);
    pane->N_LUppercaseClick(&sentence);
    EXPECT_EQ(scripted().asked[0].text,
              q("[주의] - 이름변경\r\n3 개의 파일을 로컬에서 선택했습니다.\r\n선택한 파일들의 이름을 바꾸시겠습니까 ?"));
    EXPECT_TRUE(QFileInfo::exists(path("Readme.txt")));
    EXPECT_TRUE(QFileInfo::exists(path("A.b")));
    EXPECT_TRUE(QFileInfo::exists(path("가나다.txt")));
    EXPECT_EQ(selectAfterRefresh, q("가나다.txt"));
    EXPECT_EQ(selectedNames(), QStringList{q("가나다.txt")});

    select({q("A.b")});
    scripted().pushButton(BtnYes);
    pane->N_LUppercaseClick(&upper);
    EXPECT_TRUE(QFileInfo::exists(path("A.B")));
    EXPECT_EQ(selectedNames(), QStringList{q("A.B")});

    select({q("Readme.txt")});
    scripted().pushButton(BtnYes);
    pane->N_LUppercaseClick(&lower);
    EXPECT_TRUE(QFileInfo::exists(path("readme.txt")));

    // A file that already carries the new name is never replaced.
    writeFile(path("README.TXT"), "other");
    pane->LBrefreshClick();
    select({q("readme.txt")});
    scripted().pushButton(BtnYes);
    pane->N_LUppercaseClick(&upper);
    EXPECT_EQ(readFile(path("README.TXT")), "other");
    EXPECT_TRUE(QFileInfo::exists(path("readme.txt")));
    EXPECT_EQ(selectedNames(), QStringList{q("readme.txt")});
}

TEST_F(LocalPaneTest, MakeAndDeleteDirectory)
{
    scripted().pushAccept(root + q("/새폴더"));
    pane->N_LMakeDirectoryClick();
    EXPECT_EQ(scripted().asked[0].caption, q("디렉토리작성(Local)"));
    EXPECT_EQ(scripted().asked[0].text, q("디렉토리: ") + root + QLatin1Char('/'));
    EXPECT_EQ(scripted().asked[0].value, root + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(path("새폴더")).isDir());
    EXPECT_TRUE(treeTexts().contains(q("새폴더")));

    ASSERT_TRUE(pane->setDirectory(path("새폴더")));
    scripted().clear();
    scripted().pushAccept(path("새폴더"));
    pane->N_LDeleteDirectoryClick();
    EXPECT_EQ(scripted().asked[0].caption, q("디렉토리삭제(Local)"));
    EXPECT_EQ(scripted().asked[0].text, q("디렉토리: ") + path("새폴더"));
    EXPECT_FALSE(QFileInfo::exists(path("새폴더")));
    EXPECT_EQ(pane->currentDirectory(), root);
    EXPECT_FALSE(treeTexts().contains(q("새폴더")));

    // A directory that is not empty stays; the tree stays at the parent.
    writeFile(path("하위폴더") + q("/안.txt"), "x");
    ASSERT_TRUE(pane->setDirectory(path("하위폴더")));
    scripted().pushAccept(path("하위폴더"));
    pane->N_LDeleteDirectoryClick();
    EXPECT_TRUE(QFileInfo(path("하위폴더")).isDir());
    EXPECT_EQ(pane->currentDirectory(), root);

    // At the root: nothing to delete, and no doubled separator proposed.
    ASSERT_TRUE(pane->setDirectory(QStringLiteral("/")));
    scripted().clear();
    pane->N_LDeleteDirectoryClick();
    EXPECT_EQ(logged.last(), q("[L] - 먼저 디렉토리를 선택하세요."));
    EXPECT_TRUE(scripted().asked.empty());
    scripted().pushCancel();
    pane->N_LMakeDirectoryClick();
    EXPECT_EQ(scripted().asked[0].value, QStringLiteral("/"));
}

TEST_F(LocalPaneTest, ViewChecksAndTheViewerCaption)
{
    struct Refusal { const char *name; QString text; } refusals[] = {
        {"프로그램.exe", q("파일 '프로그램.exe'는 실행파일이라 열람할 수 없습니다.")},
        {"설치.EXE", q("파일 '설치.EXE'는 실행파일이라 열람할 수 없습니다.")},
        {"빈파일.txt", q("파일 '") + path("빈파일.txt") + q("'의 파일크기가 0 Byte 입니다.")},
    };
    for (const Refusal &r : refusals) {
        scripted().clear();
        select({q(r.name)});
        pane->N_LViewClick();
        ASSERT_EQ(scripted().asked.size(), 1u) << r.name;
        EXPECT_EQ(scripted().asked[0].text, r.text);
        EXPECT_EQ(scripted().asked[0].buttons, BtnOk);
    }
    EXPECT_EQ(pane->viewerShown, 0);

    // Not a listed text extension: asked first; No stops.
    scripted().clear();
    select({q("자료.dat")});
    scripted().pushButton(BtnNo);
    pane->N_LViewClick();
    EXPECT_EQ(scripted().asked[0].text, q("[주의]\r\n파일 '자료.dat'는 텍스트 파일이 아닐 수 있습니다.\r\n그래도 선택한 파일을 열람하시겠습니까 ?"));
    EXPECT_EQ(pane->viewerShown, 0);

    scripted().clear();
    select({q("가나다.txt")});
    pane->N_LViewClick();
    EXPECT_TRUE(scripted().asked.empty());
    ASSERT_EQ(pane->viewerShown, 1);
    const qint64 size = QFileInfo(path("가나다.txt")).size();
    EXPECT_EQ(pane->viewerCaption, q("[Local] - File View (가나다.txt, ") + QString::number(size) + q(" Bytes)"));
    EXPECT_EQ(pane->viewerLines.mid(0, 2), (QStringList{q("첫째 줄"), q("둘째 줄")}));
    EXPECT_EQ(selectAfterRefresh, path("가나다.txt"));
    EXPECT_EQ(viewer.saveDirectory(), root);

    // The full path left by the view reselects its file at the next refresh.
    files.clearSelection();
    pane->LBrefreshClick();
    EXPECT_EQ(selectedNames(), QStringList{q("가나다.txt")});
}

TEST_F(LocalPaneTest, AFileTooLargeForTheViewerIsRefusedBeforeAnyByteIsRead)
{
    // 5 GiB of holes: reading it whole would end the program; it must not even be opened.
    const QString big = path("큰파일.txt");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(5LL * 1024 * 1024 * 1024));
    }
    pane->LBrefreshClick();
    scripted().clear();
    select({q("큰파일.txt")});
    pane->N_LViewClick();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].text,
              q("파일 '큰파일.txt'는 5368709120 Bytes로 너무 커서 보기 창에 열 수 없습니다.\n"
                "보기 창은 64 MB까지의 파일만 엽니다. 헥사 보기로 여십시오."));
    EXPECT_EQ(pane->viewerShown, 0);
    EXPECT_FALSE(viewer.loadFile(big));  // the viewer itself refuses it as well
}

TEST_F(LocalPaneTest, EditWaitsForTheEditorAndReportsOneThatCannotStart)
{
    select({q("설치.EXE")});
    pane->N_LEditClick();
    EXPECT_EQ(scripted().messageTexts(), QStringList{q("파일 '설치.EXE'는 실행파일이라 편집할 수 없습니다.")});
    scripted().clear();
    select({q("자료.dat")});
    pane->N_LEditClick();
    EXPECT_EQ(scripted().asked[0].text, q("[주의]\r\n파일 '자료.dat'는 텍스트 파일이 아닐 수 있습니다.\r\n그래도 선택한 파일을 편집하시겠습니까 ?"));
    EXPECT_TRUE(pane->ranProgram.isEmpty());

    // A real editor: a script that takes a while and then writes into the file.
    QTemporaryDir tools;
    const QString editor = tools.filePath(QStringLiteral("slow-editor"));
    writeFile(editor, "#!/bin/sh\nsleep 0.3\nprintf 'edited' > \"$1\"\n");
    QFile::setPermissions(editor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    pane->editorCommand = [editor] { return editor; };
    pane->realRun = true;
    scripted().clear();
    select({q("가나다.txt")});
    pane->N_LEditClick();
    EXPECT_EQ(readFile(path("가나다.txt")), "edited");   // it returned only after the editor ended
    EXPECT_EQ(pane->ranArguments, QStringList{path("가나다.txt")});
    EXPECT_TRUE(scripted().asked.empty());
    EXPECT_EQ(selectedNames(), QStringList{q("가나다.txt")});

    // An editor that cannot be started.
    const QString broken = tools.filePath(QStringLiteral("broken-editor"));
    writeFile(broken, "#!/nonexistent/interpreter\n");
    QFile::setPermissions(broken, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    pane->editorCommand = [broken] { return broken; };
    pane->N_LEditClick();
    EXPECT_EQ(scripted().messageTexts(), QStringList{q("지정한 문서편집기가 실행되지 않습니다.")});
}

TEST_F(LocalPaneTest, DirectoryReportInTheViewer)
{
    pane->N_LDirectoryListClick();
    ASSERT_EQ(pane->viewerShown, 1);
    const QStringList &lines = pane->viewerLines;
    ASSERT_GT(lines.size(), 3);
    EXPECT_EQ(lines[0], q("         파일명          크기         변경한 날짜/시간    속성"));
    EXPECT_EQ(lines[1], QString());
    qint64 total = 0;
    for (int i = 2; i < lines.size(); ++i)
        total += lines[i].size();
    EXPECT_EQ(pane->viewerCaption, q("[Local] - DirInfo (") + root + q(", ") + QString::number(total) + q(" Bytes)"));
    const QString text = lines.join(QLatin1Char('\n'));
    for (const char *name : {".숨김.txt", "하위폴더", "가나다.txt", "빈파일.txt"})
        EXPECT_TRUE(text.contains(q(name))) << name;
    auto lineOf = [&](const char *name) {
        for (const QString &l : lines)
            if (l.contains(q(name)))
                return l;
        return QString();
    };
    EXPECT_TRUE(lineOf(".숨김.txt").endsWith(q("Hidden,Archive")));
    EXPECT_TRUE(lineOf("하위폴더").endsWith(q("Directory")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("              .")));
    EXPECT_EQ(viewer.saveFileName(), QStringLiteral("DirInfo.txt"));
    EXPECT_EQ(viewer.saveDirectory(), root);
}

TEST_F(LocalPaneTest, RefreshReselects)
{
    select({q("메모")});
    writeFile(path("0새파일.txt"), "new");
    pane->LBrefreshClick();
    EXPECT_TRUE(names().contains(q("0새파일.txt")));
    EXPECT_EQ(selectedNames(), QStringList{q("메모")});

    selectAfterRefresh = q("자료.dat");
    pane->LBrefreshClick();
    EXPECT_EQ(selectedNames(), QStringList{q("자료.dat")});
    EXPECT_EQ(selectAfterRefresh, q("자료.dat"));   // the local refresh leaves it
}

TEST_F(LocalPaneTest, InvertAndTagWildcard)
{
    scripted().pushAccept(QStringLiteral("*.txt"));
    pane->N_LTagwildcardClick();
    EXPECT_EQ(scripted().asked[0].caption, QStringLiteral("Tag Wildcard (Local)"));
    EXPECT_EQ(scripted().asked[0].text, QStringLiteral("Wildcard(eg *.zip will tag all .zip files): "));
    EXPECT_EQ(scripted().asked[0].value, QStringLiteral("*.*"));
    EXPECT_EQ(selectedNames(), (QStringList{q("README.TXT"), q("가나다.txt"), q("빈파일.txt")}));

    pane->N_LInvertSelectionClick();
    EXPECT_EQ(selectedNames(), (QStringList{q("a.b"), q("메모"), q("설치.EXE"), q("자료.dat"), q("프로그램.exe")}));

    scripted().pushAccept(QStringLiteral("*.*"));
    pane->N_LTagwildcardClick();
    EXPECT_EQ(selectedNames().size(), names().size());   // names without a dot too

    scripted().pushAccept(q("[가-나]*"));
    pane->N_LTagwildcardClick();
    EXPECT_EQ(selectedNames(), QStringList{q("가나다.txt")});
}

TEST_F(LocalPaneTest, DriveTabsFollowTheTree)
{
    pane->tabs = {{QStringLiteral("/"), QStringLiteral("/"), DriveFixed},
                  {QStringLiteral("gone"), root + q("/없는곳"), DriveRemovable},
                  {QStringLiteral("tmp"), root, DriveRamDisk}};
    pane->FillDriveTabs();
    ASSERT_EQ(tabs.count(), 3);
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_EQ(tabs.tabData(2).toInt(), int(DriveRamDisk));
    EXPECT_EQ(pane->startupDriveTab(), 2);

    tabs.setCurrentIndex(1);   // a click on a tab that cannot be entered
    EXPECT_EQ(scripted().messageTexts(), QStringList{root + q("/없는곳 에 접근할 수 없습니다. 확인하세요")});
    EXPECT_EQ(tabs.currentIndex(), 1);
    EXPECT_EQ(pane->currentDirectory(), root);

    tabs.setCurrentIndex(0);
    EXPECT_EQ(pane->currentDirectory(), QStringLiteral("/"));
    ASSERT_TRUE(pane->setDirectory(path("하위폴더")));
    EXPECT_EQ(tabs.currentIndex(), 2);   // the longest mount that holds it
    pane->FillDriveTabs();
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_EQ(pane->startupDriveTab(), 2);
}

TEST_F(LocalPaneTest, StartDirectoryOfAProfile)
{
    SessionProfile profile;
    profile.UseLastPath = true;
    profile.LastLocalDir = path("없는폴더");
    profile.LocalPath = path("하위폴더");
    pane->enterStartDirectory(profile);
    EXPECT_EQ(pane->currentDirectory(), path("하위폴더"));

    pane->setDirectory(QStringLiteral("/"));
    profile.LastLocalDir = root;
    profile.LastLocalFile = q("자료.dat");
    pane->enterStartDirectory(profile);
    EXPECT_EQ(pane->currentDirectory(), root);
    EXPECT_EQ(selectedNames(), QStringList{q("자료.dat")});

    profile.UseLastPath = false;
    profile.LocalPath.clear();
    pane->enterStartDirectory(profile);
    EXPECT_EQ(pane->currentDirectory(), root);
}

TEST_F(LocalPaneTest, TreeDoubleClickAndKeys)
{
    const QList<QListWidgetItem *> sub = tree.findItems(q("하위폴더"), Qt::MatchExactly);
    ASSERT_EQ(sub.size(), 1);
    emit tree.itemDoubleClicked(sub.first());
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->currentDirectory(), path("하위폴더"));
    // Enter on the tree's first item (the root) goes there.
    tree.setCurrentRow(tree.count() - 2);   // the parent of 하위폴더
    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(pane->currentDirectory(), root);

    select({q("메모")});
    QTest::keyClick(&files, Qt::Key_Return);
    EXPECT_EQ(pane->opened, QStringList{path("메모")});
    scripted().pushButton(BtnYes);
    QTest::keyClick(&files, Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(path("메모")));
}

TEST_F(LocalPaneTest, OpenAndExplorer)
{
    select({q("메모")});
    pane->N_LOpenClick();
    pane->LFileListBoxDblClick();
    pane->LBLaunchExplorerClick();
    EXPECT_EQ(pane->opened, (QStringList{path("메모"), path("메모"), root}));
    EXPECT_TRUE(scripted().asked.empty());

    // Nothing on the desktop can open them: the user is told, not left guessing.
    pane->desktopAnswers = false;
    pane->N_LOpenClick();
    pane->LBLaunchExplorerClick();
    EXPECT_EQ(scripted().messageTexts(),
              (QStringList{q("파일 '메모'를 열 프로그램이 없습니다."), q("파일 관리자를 실행할 수 없습니다.")}));
}

TEST_F(LocalPaneTest, ADirectoryThatCannotBeEnteredLeavesTreeAndListTogether)
{
    // Gone since the tree was filled (an unreadable one takes the same road).
    ASSERT_TRUE(QDir(root).rmdir(q("하위폴더")));
    const QStringList listed = names();
    QListWidgetItem *gone = nullptr;
    for (int i = 0; i < tree.count(); ++i)
        if (tree.item(i)->text() == q("하위폴더"))
            gone = tree.item(i);
    ASSERT_NE(gone, nullptr);
    tree.setCurrentItem(gone);
    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_EQ(scripted().messageTexts(),
              QStringList{q("디렉토리 '") + path("하위폴더") + q("'를 열 수 없습니다.")});
    EXPECT_EQ(pane->currentDirectory(), root);
    ASSERT_NE(tree.currentItem(), nullptr);
    EXPECT_EQ(tree.currentItem()->toolTip(), root);  // the tree shows the list's directory again
    EXPECT_EQ(names(), listed);
    EXPECT_FALSE(treeTexts().contains(q("하위폴더")));
}

TEST_F(LocalPaneTest, AnEditorThatIsNotHereIsReplacedAndNamed)
{
    // The stored "Ormpad.exe" cannot run here; a desktop editor on PATH stands in.
    QTemporaryDir tools;
    const QString mousepad = tools.filePath(QStringLiteral("mousepad"));
    writeFile(mousepad, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(mousepad, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(tools.path()));
    qunsetenv("VISUAL");
    pane->editorCommand = [] { return QStringLiteral("Ormpad.exe"); };
    select({q("가나다.txt")});
    pane->N_LEditClick();
    qputenv("PATH", oldPath);
    EXPECT_EQ(pane->ranProgram, mousepad);
    EXPECT_EQ(pane->ranArguments, QStringList{path("가나다.txt")});
    EXPECT_TRUE(logged.contains(q("[L] - 문서편집기 'Ormpad.exe'를 찾을 수 없어 '") + mousepad + q("'로 편집합니다.")))
        << logged.join(QLatin1Char('\n')).toStdString();
}

} // namespace
