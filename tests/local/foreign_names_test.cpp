// Local names whatever their bytes, in the real main window: files and folders
// named in code page 949 (an old Korean archive) or in bytes of no encoding are
// listed, entered, renamed, deleted, viewed, hex viewed, printed, described and
// handed to a program by their exact bytes. Every check on the disk reads the
// names back with readdir, as `ls` does.

#include "app/main_form.h"
#include "app/settings_bridge.h"
#include "ui_main_form.h"
#include "ui_file_info_form.h"
#include "ui_view_form.h"

#include "config/ascii_extensions.h"
#include "local/local_pane.h"
#include "platform/local_path.h"
#include "platform/printer.h"
#include "platform/processes.h"
#include "platform/scripted_dialogs.h"
#include "platform/shell_info.h"
#include "viewers/file_info_form.h"
#include "viewers/hex_form.h"
#include "viewers/view_form.h"
#include "ftp_server.h"
#include "qt_printers.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted() { return static_cast<ScriptedDialogs &>(dialogs()); }

// The names of a directory as the system has them, sorted by bytes.
QByteArrayList namesOnDisk(const QByteArray &dir)
{
    QByteArrayList out;
    if (DIR *d = ::opendir(dir.constData())) {
        while (const dirent *e = ::readdir(d)) {
            const QByteArray name(e->d_name);
            if (name != "." && name != "..")
                out << name;
        }
        ::closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

QByteArray cwdBytes()
{
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QByteArray();
}

void create(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

QByteArray contentOf(const QByteArray &path)
{
    QFile f;
    return localpath::open(f, localpath::decode(path), QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

class Window : public TMainForm {
public:
    void saveConfiguration() override {}

protected:
    bool startWinsock() override { return false; }
    void loadConfiguration() override {}
};

struct Named {
    const char *what;
    QByteArray bytes;
    QString shown;
};

const QList<Named> Files = {
    {"code page 949", "\xc7\xd1\xb1\xdb.txt", QStringLiteral("한글.txt")},
    {"no encoding", "x\xff.txt", QStringLiteral("x\\xFF.txt")},
    {"UTF-8 with a stray byte", "\xc3\xa9\xe9.txt", QStringLiteral("é\\xE9.txt")},
};

const QList<Named> Folders = {
    {"code page 949", "\xc0\xda\xb7\xe1", QStringLiteral("자료")},
    {"no encoding", "d\xfe", QStringLiteral("d\\xFE")},
};

class ForeignNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(tmp.path().empty());
        root = QFile::encodeName(QDir(QString::fromStdString(tmp.path())).canonicalPath());
        startDir = QDir::currentPath();
        pdf = QString::fromUtf8(root) + QStringLiteral("/out.pdf");
        printer = new PdfFilePrinter(pdf);
        previous = setPrinter(std::unique_ptr<PrinterService>(printer));
        window = std::make_unique<Window>();
        window->FormActivate();
        window->settings().asciiExtensions().add(QStringLiteral("TXT"));
        scripted().clear();
    }
    void TearDown() override
    {
        window.reset();
        setPrinter(std::move(previous));
        QDir::setCurrent(startDir);
        scripted().clear();
    }

    Ui::TMainForm &f() { return *window->form(); }
    void enterRoot()
    {
        ASSERT_TRUE(window->localPaneOf()->setDirectory(localpath::decode(root)));
    }
    QStringList shownFiles()
    {
        QStringList out;
        for (int i = 0; i < f().LFileListBox->count(); ++i)
            out << f().LFileListBox->item(i)->text();
        return out;
    }
    void select(const QString &shown)
    {
        QListWidget *files = f().LFileListBox;
        files->clearSelection();
        const auto found = files->findItems(shown, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << shown.toStdString();
        found.first()->setSelected(true);
        files->setCurrentItem(found.first());
    }
    // Triggers `action`; `look` gets the first modal window of type W that shows,
    // until it says it has seen it filled (true); the window is then closed.
    template <class W>
    bool whileModal(QAction *action, const std::function<bool(W *)> &look)
    {
        bool seen = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *w = qobject_cast<W *>(QApplication::activeModalWidget());
            if (!w || seen || !look(w))
                return;
            seen = true;
            w->close();
        });
        watch.start(10);
        action->trigger();
        watch.stop();
        return seen;
    }
    QString pdfText() const
    {
        QProcess p;
        p.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {pdf, QStringLiteral("-")});
        EXPECT_TRUE(p.waitForFinished(30000));
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Removed by its bytes: Qt's temporary folder cannot remove what it cannot name.
    kavtest::ScratchDir tmp;
    QByteArray root;
    QString startDir, pdf;
    PdfFilePrinter *printer = nullptr;
    std::unique_ptr<PrinterService> previous;
    std::unique_ptr<Window> window;
};

} // namespace

TEST_F(ForeignNames, ListedShownAndEnteredByTheirBytes)
{
    QStringList expectedFiles;
    for (const Named &n : Files) {
        create(root + '/' + n.bytes, n.bytes);
        expectedFiles << n.shown;
    }
    for (const Named &n : Folders) {
        ASSERT_EQ(::mkdir((root + '/' + n.bytes).constData(), 0755), 0);
        create(root + '/' + n.bytes + '/' + n.bytes + ".txt", "inside");
    }
    enterRoot();
    QStringList listed = shownFiles();
    listed.sort();
    expectedFiles.sort();
    EXPECT_EQ(listed, expectedFiles);

    for (const Named &n : Folders) {
        SCOPED_TRACE(n.what);
        QListWidget *tree = f().LDirectoryListBox;
        const auto found = tree->findItems(n.shown, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << n.shown.toStdString();
        tree->setCurrentItem(found.first());
        QTest::keyClick(tree, Qt::Key_Return);
        EXPECT_EQ(cwdBytes(), root + '/' + n.bytes);
        EXPECT_EQ(localpath::encode(window->localPaneOf()->currentDirectory()), root + '/' + n.bytes);
        EXPECT_EQ(shownFiles(), QStringList{n.shown + QStringLiteral(".txt")});
        EXPECT_EQ(tree->currentItem()->text(), n.shown) << "the tree shows the folder it is in";
        // Its name goes to the clipboard as it is shown, never as lone surrogates.
        QApplication::clipboard()->clear();
        f().SB_LocalToClip->click();
        EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8(root) + QLatin1Char('/') + n.shown);
        EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
        // A file there opens by its bytes too.
        select(n.shown + QStringLiteral(".txt"));
        QString viewed;
        EXPECT_TRUE(whileModal<TViewForm>(f().N_LView, [&](TViewForm *v) {
            viewed = v->lines().join(QLatin1Char('\n'));
            return true;
        }));
        EXPECT_EQ(viewed.trimmed(), QStringLiteral("inside"));
        enterRoot();
    }

    // A folder made in a folder of foreign bytes (the user adds to the shown path),
    // then entered and removed.
    const Named &foreign = Folders.last();
    const QByteArray parent = root + '/' + foreign.bytes;
    const QByteArray made = parent + '/' + QStringLiteral("새 폴더").toUtf8();
    ASSERT_TRUE(window->localPaneOf()->setDirectory(localpath::decode(parent)));
    scripted().clear();
    scripted().pushAccept(QString::fromUtf8(root) + QLatin1Char('/') + foreign.shown + QStringLiteral("/새 폴더"));
    f().N_LMakeDirectory->trigger();
    struct stat st {};
    ASSERT_EQ(::stat(made.constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    ASSERT_TRUE(window->localPaneOf()->setDirectory(localpath::decode(made)));
    scripted().pushAccept(localpath::displayName(QByteArrayView(made)));
    f().N_LDeleteDirectory->trigger();
    EXPECT_NE(::stat(made.constData(), &st), 0) << "removed";
    EXPECT_EQ(cwdBytes(), parent);
}

TEST_F(ForeignNames, RenamedCaseRenamedAndDeletedByTheirBytes)
{
    struct Rename {
        const char *what;
        QByteArray from;
        QString typed;       // what the user leaves in the rename box
        QByteArray to;       // the name then on disk
    };
    const QList<Rename> renames = {
        {"no encoding, escape kept as typed", "x\xff.txt", QStringLiteral("x\\xFF-new.txt"), "x\xff-new.txt"},
        {"code page 949, new name stays in it", "\xc7\xd1\xb1\xdb.txt", QStringLiteral("한글2.txt"),
         "\xc7\xd1\xb1\xdb" "2.txt"},
        {"code page 949, text added at the end", "\xb0\xa1.txt", QStringLiteral("가.txt.bak"), "\xb0\xa1.txt.bak"},
        {"unchanged", "u\xe9.txt", QStringLiteral("u\\xE9.txt"), "u\xe9.txt"},
    };
    for (const Rename &r : renames)
        create(root + '/' + r.from, r.what);
    enterRoot();
    for (const Rename &r : renames) {
        SCOPED_TRACE(r.what);
        select(localpath::displayName(QByteArrayView(r.from)));
        scripted().pushAccept(r.typed);
        f().N_LRename->trigger();
        const QByteArrayList disk = namesOnDisk(root);
        EXPECT_TRUE(disk.contains(r.to));
        if (r.to != r.from) {
            EXPECT_FALSE(disk.contains(r.from));
        }
        EXPECT_EQ(contentOf(root + '/' + r.to), QByteArray(r.what));
        ASSERT_EQ(f().LFileListBox->selectedItems().size(), 1);
        EXPECT_EQ(f().LFileListBox->selectedItems().first()->text(), localpath::displayName(QByteArrayView(r.to)));
    }

    // Case rename changes the letters and leaves the foreign bytes as they are.
    create(root + "/y\xe9.txt", "y");
    create(root + "/z\xe9.txt", "z9");
    create(root + "/z\xe8.txt", "z8");
    window->localPaneOf()->LBrefreshClick();
    select(QStringLiteral("y\\xE9.txt"));
    scripted().pushButton(BtnYes);
    f().N_LUppercase->trigger();
    EXPECT_TRUE(namesOnDisk(root).contains("Y\xe9.TXT"));
    EXPECT_FALSE(namesOnDisk(root).contains("y\xe9.txt"));

    // Of two names that differ in one foreign byte, the selected one is deleted.
    select(QStringLiteral("z\\xE9.txt"));
    scripted().pushButton(BtnYes);
    f().N_LDelete->trigger();
    EXPECT_FALSE(namesOnDisk(root).contains("z\xe9.txt"));
    EXPECT_EQ(contentOf(root + "/z\xe8.txt"), QByteArray("z8"));
}

TEST_F(ForeignNames, OpenedInTheViewersAndHandedToProgramsByTheirBytes)
{
    for (const Named &n : Files) {
        SCOPED_TRACE(n.what);
        const QByteArray content = "line of " + QByteArray(n.what) + "\n";
        create(root + '/' + n.bytes, content);
        enterRoot();
        const QString size = QString::number(content.size());

        select(n.shown);
        QString viewed, caption;
        EXPECT_TRUE(whileModal<TViewForm>(f().N_LView, [&](TViewForm *v) {
            viewed = v->lines().join(QLatin1Char('\n'));
            caption = v->windowTitle();
            return true;
        }));
        EXPECT_EQ(viewed.trimmed(), QString::fromUtf8(content).trimmed());
        EXPECT_EQ(caption, QStringLiteral("[Local] - File View (") + n.shown + QStringLiteral(", ") + size
                               + QStringLiteral(" Bytes)"));

        // Saved, and saved again under another name in a folder of foreign
        // bytes: both writes reach the files of those bytes.
        const QByteArray saveDir = root + '/' + Folders.first().bytes;
        ::mkdir(saveDir.constData(), 0755);
        scripted().clear();
        scripted().pushAccept(localpath::decode(saveDir + '/' + n.bytes));
        EXPECT_TRUE(whileModal<TViewForm>(f().N_LView, [&](TViewForm *v) {
            v->form()->RichEdit->setPlainText(QStringLiteral("edited"));
            EXPECT_TRUE(v->N_FileSaveAsClick());
            return true;
        }));
        EXPECT_EQ(contentOf(saveDir + '/' + n.bytes).trimmed(), QByteArray("edited"));
        EXPECT_EQ(contentOf(root + '/' + n.bytes), content) << "the opened file is left as it was";
        EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
        localpath::remove(localpath::decode(saveDir + '/' + n.bytes));
        localpath::removeDirectory(localpath::decode(saveDir));

        select(n.shown);
        QString firstCell, hexTitle;
        EXPECT_TRUE(whileModal<THexForm>(f().N_LHexview, [&](THexForm *hex) {
            hex->FormActivate();
            if (hex->lastSector() == 0 && scripted().asked.empty())
                return false;   // its own activation is still under way
            hexTitle = hex->windowTitle();
            firstCell = hex->findChild<QTableWidget *>(QStringLiteral("SG_Hexcodes"))->item(0, 0)->text();
            return true;
        }));
        EXPECT_EQ(firstCell, QStringLiteral("6c"));
        EXPECT_EQ(hexTitle, QString::fromUtf8(root) + QLatin1Char('/') + n.shown + QStringLiteral("  (") + size
                                + QStringLiteral(" Bytes)"));

        select(n.shown);
        QString infoName, infoSize;
        EXPECT_TRUE(whileModal<TFileInfoForm>(f().N_LChangeAttribute, [&](TFileInfoForm *info) {
            infoName = info->form()->L_Filename->text();
            infoSize = info->form()->L_Filesize->text();
            return !infoSize.isEmpty();   // filled while it shows
        }));
        EXPECT_EQ(infoName, n.shown);
        EXPECT_TRUE(infoSize.contains(size)) << infoSize.toStdString();

        QFile::remove(pdf);
        select(n.shown);
        f().N_LPrint->trigger();
        EXPECT_TRUE(scripted().messageTexts().isEmpty()) << scripted().messageTexts().join('|').toStdString();
        EXPECT_TRUE(pdfText().contains(QStringLiteral("line of ") + QLatin1String(n.what)));

        // A program gets the path's own bytes as its argument (the editor's way).
        const QByteArray out = root + "/argument.out";
        EXPECT_EQ(runAndWait(QStringLiteral("/bin/sh"),
                             QStringList{QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2\""), QStringLiteral("sh"),
                              window->localPaneOf()->fullPathOf(localpath::decode(n.bytes)), QString::fromUtf8(out)}),
                  0);
        EXPECT_EQ(contentOf(out), root + '/' + n.bytes);
        ::unlink(out.constData());
        ::unlink((root + '/' + n.bytes).constData());
    }
    EXPECT_EQ(namesOnDisk(root), QByteArrayList{"out.pdf"});
}

// The type the file information window shows is judged by the name's bytes and
// the contents, as for a UTF-8 twin: never "unknown" because Qt could not find it.
TEST_F(ForeignNames, TypeJudgedAsForAUtf8Twin)
{
    struct Case {
        const char *what;
        QByteArray foreign, twin;
        bool folder;
    };
    const QList<Case> cases = {
        {"script in code page 949", "\xbd\xc7\xc7\xe0", "run", false},   // 실행
        {"script of no encoding", "run\xff", "run2", false},
        {"folder in code page 949", "\xc0\xda\xb7\xe1", "folder", true},
    };
    const QString unknown = QMimeDatabase().mimeTypeForName(QStringLiteral("application/octet-stream")).comment();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const QByteArray &name : {c.foreign, c.twin}) {
            if (c.folder)
                ASSERT_EQ(::mkdir((root + '/' + name).constData(), 0755), 0);
            else
                create(root + '/' + name, "#!/bin/sh\necho ran\n");
        }
        const QString twinType = shellTypeName(localpath::decode(root + '/' + c.twin));
        EXPECT_NE(twinType, unknown);
        EXPECT_EQ(shellTypeName(localpath::decode(root + '/' + c.foreign)), twinType);
        EXPECT_FALSE(shellIcon(localpath::decode(root + '/' + c.foreign)).isNull());
    }
}
