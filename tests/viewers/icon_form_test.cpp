// The icon extractor window: its controls, the tree walk (regular files only,
// no links to directories, the limit, Stop), the grid, selection, saving in
// four formats and the clipboard.
#include "viewers/icon_form.h"
#include "ui_icon_form.h"

#include "platform/dialogs.h"
#include "platform/local_path.h"
#include "platform/scripted_dialogs.h"
#include "viewers/image_export.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

QString sampleExe()
{
    return QStringLiteral(KAVRIN_FIXTURES "/pe/sample.exe");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

void writePng(const QString &path, int side, QRgb colour)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, "PNG"));
}

QByteArray le16(quint16 v) { return QByteArray(reinterpret_cast<const char *>(&v), 2); }
QByteArray le32(quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); }

// An icon file of `count` entries that all point to one 8 x 8 image.
QByteArray manyImagesIco(int count)
{
    const QByteArray one = icoFileOf([] {
        QImage i(8, 8, QImage::Format_ARGB32);
        i.fill(qRgb(1, 2, 3));
        return i;
    }());
    const QByteArray image = one.mid(22);
    QByteArray out = le16(0) + le16(1) + le16(quint16(count));
    const quint32 offset = 6 + 16 * quint32(count);
    for (int i = 0; i < count; ++i)
        out += one.mid(6, 8) + le32(quint32(image.size())) + le32(offset);
    return out + image;
}

struct Form {
    explicit Form(const QString &dir, const QString &saveDir = {}) : form(dir, saveDir)
    {
        form.show();
        QApplication::processEvents();
    }
    Ui::TIconForm &ui() { return *form.form(); }
    TIconForm form;
};

} // namespace

TEST(IconForm, ControlsAndTexts)
{
    scripted().clear();
    Form f(QDir::tempPath());
    EXPECT_EQ(f.form.windowTitle(), "Icon Extractor");
    struct Row {
        const char *name;
        const char *text;
        const char *hint;
    };
    const Row rows[] = {
        {"BB_StartFind", "Start &Find", "아이콘 추출을 시작합니다"},
        {"BB_Stop", "&Stop", "디렉토리에서 아이콘 검색를 중단합니다"},
        {"BB_SaveBMP", "Save As &Bitmap", "선택한 아이콘을 BMP 파일로 저장합니다"},
        {"BB_SaveICO", "Save As &Icon", "선택한 아이콘을 ICO 파일로 저장합니다"},
        {"BB_SaveJPEG", "Save As &JPEG", "선택한 아이콘을 JPEG 파일로 저장합니다"},
        {"BB_SaveGIF89A", "Save As &GIF87a", "선택한 아이콘을 GIF87a 파일로 저장합니다"},
        {"BB_CopyToClip", "&Copy to Clipboard", "선택한 아이콘을 클립보드에 복사합니다"},
        {"BB_Exit", "Clos&e", "현재 화면을 닫습니다"},
        {"SB_FindDir", "...", "검색할 디렉토리를 지정합니다"},
        {"CB_ExtendFind", "하위 디렉토리 찾기(&E)", ""},
        {"L_FindFile", "찾을 파일(&S):", ""},
        {"L_FindDir", "찾을 디렉토리(&D):", ""},
        {"L_ReadDirCaption", "읽은 디렉토리수:", ""},
        {"L_IconCntCaption", "아이콘 갯수 :", ""},
    };
    for (const Row &r : rows) {
        auto *w = f.form.findChild<QWidget *>(QLatin1String(r.name));
        ASSERT_NE(w, nullptr) << r.name;
        const QString text = w->property("text").toString();
        EXPECT_EQ(text, QString::fromUtf8(r.text)) << r.name;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(r.hint)) << r.name;
    }
    EXPECT_TRUE(f.ui().BB_StartFind->isDefault());
    EXPECT_TRUE(f.ui().CB_ExtendFind->isChecked());
    EXPECT_EQ(f.ui().E_FindDir->maxLength(), 100);
    EXPECT_EQ(f.ui().CB_FindFile->toolTip(), QStringLiteral("와일드카드(wild card) 문자를 사용하여 검색할 파일명을 지정합니다"));
    EXPECT_EQ(f.ui().E_FindDir->toolTip(), QStringLiteral("검색할 디렉토리를 지정합니다"));
    EXPECT_TRUE(f.ui().SB_ConnectDRV->toolTip().startsWith(QStringLiteral("네트워크 드라이브 연결\n")));
    EXPECT_TRUE(f.ui().SB_DisconnectDRV->toolTip().startsWith(QStringLiteral("네트워크 드라이브 연결 해제\n")));
    QStringList items;
    for (int i = 0; i < f.ui().CB_FindFile->count(); ++i)
        items << f.ui().CB_FindFile->itemText(i);
    EXPECT_EQ(items, QStringList({"*.*", "*.exe", "*.dll", "*.ico", "*.bmp"}));
    EXPECT_EQ(f.form.selectionMarker()->toolTip(), QStringLiteral("아이콘을 선택했다는 표시입니다"));
    QStringList menu;
    for (QAction *a : f.form.imageMenu()->actions())
        menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, QStringList({"Save As &Bitmap", "Save As &Icon", "Save As &JPEG", "Save as &GIF87a",
                                 "&Copy to Clipboard", "-", "Start &Find"}));
    // Activation: the defaults and the empty counters.
    EXPECT_EQ(f.ui().CB_FindFile->currentText(), "*.*");
    EXPECT_EQ(f.ui().E_FindDir->text(), QDir::tempPath());
    EXPECT_EQ(f.ui().L_IconCnt->text(), "0 icons found.");
    EXPECT_EQ(f.ui().L_ReadDir->text(), "0");
    EXPECT_FALSE(f.form.selectionMarker()->isVisible());
    EXPECT_EQ(f.form.selectedIndex(), 0);
}

TEST(IconForm, WalkReadsRegularFilesAndNeverFollowsLinksToDirectories)
{
    scripted().clear();
    QTemporaryDir tree;
    const QString root = tree.path();
    ASSERT_TRUE(QFile::copy(sampleExe(), root + "/sample.exe"));
    writePng(root + "/picture.png", 16, qRgb(0, 200, 0));
    writeFile(root + "/notes.txt", "text\n");
    writePng(root + "/.hidden.png", 16, qRgb(1, 1, 1));
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/pipe.exe").constData(), 0600), 0);
    ASSERT_TRUE(QDir(root).mkdir("sub"));
    writeFile(root + "/sub/two.ico", manyImagesIco(2));
    ASSERT_TRUE(QFile::link(root, root + "/sub/loop"));
    ASSERT_TRUE(QFile::link(root + "/sample.exe", root + "/sub/link.exe"));

    const struct {
        const char *name;
        const char *mask;
        bool subdirectories;
        int icons;
        int directories;
    } rows[] = {
        // sample.exe 2, notes.txt its shell icon, picture.png 1; sub: link.exe 2, two.ico 2.
        {"every file", "*.*", true, 8, 2},
        {"programs", "*.exe", true, 4, 2},
        {"top directory only", "*.*", false, 4, 1},
        {"icon files", "*.ICO", true, 2, 2},
    };
    for (const auto &row : rows) {
        Form f(root);
        f.ui().CB_FindFile->setEditText(QLatin1String(row.mask));
        f.ui().CB_ExtendFind->setChecked(row.subdirectories);
        QElapsedTimer timer;
        timer.start();
        f.form.BB_StartFindClick();
        EXPECT_LT(timer.elapsed(), 20000) << row.name;
        EXPECT_EQ(f.form.iconCount(), row.icons) << row.name;
        EXPECT_EQ(f.form.directoryCount(), row.directories) << row.name;
        EXPECT_EQ(f.ui().L_IconCnt->text(), QString::number(row.icons) + " icons found.") << row.name;
        EXPECT_EQ(f.ui().L_ReadDir->text(), QString::number(row.directories)) << row.name;
        EXPECT_EQ(f.ui().E_FindDir->text(), root + "/");
        for (int i = 1; i <= f.form.iconCount(); ++i)
            EXPECT_FALSE(f.form.iconPath(i).contains("pipe") || f.form.iconPath(i).contains(".hidden")
                         || f.form.iconPath(i).contains("loop"))
                << f.form.iconPath(i).toStdString();
        // The first icon is selected, the marker under it.
        EXPECT_EQ(f.form.selectedIndex(), 1) << row.name;
        QLabel *first = f.form.iconImage(1);
        EXPECT_EQ(first->toolTip(), f.form.iconPath(1));
        EXPECT_EQ(f.form.selectionMarker()->pos(), QPoint(first->x(), first->y() + first->height() + 2));
        EXPECT_TRUE(f.form.selectionMarker()->isVisible());
    }
    EXPECT_TRUE(scripted().asked.empty());
}

// A start folder named in code page 949 bytes, holding a file whose name is
// no text at all: the field shows the folder readably, and the walk reaches
// the file by its bytes.
TEST(IconForm, AForeignNamedStartFolderIsSearchedByItsBytes)
{
    scripted().clear();
    QTemporaryDir tree;
    const QByteArray folder = QFile::encodeName(tree.path()) + "/\xc7\xd1\xb1\xdb";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QByteArray file = folder + "/x\xe9.ico";
    {
        QFile f;
        ASSERT_TRUE(localpath::open(f, localpath::decode(file), QIODevice::WriteOnly));
        f.write(manyImagesIco(2));
    }
    Form f(localpath::decode(folder));
    EXPECT_EQ(f.ui().E_FindDir->text(), tree.path() + QStringLiteral("/한글"));
    f.form.BB_StartFindClick();
    EXPECT_EQ(f.form.iconCount(), 2);
    EXPECT_EQ(f.ui().E_FindDir->text(), tree.path() + QStringLiteral("/한글/"));
    ASSERT_GE(f.form.iconCount(), 1);
    EXPECT_EQ(localpath::encode(f.form.iconPath(1)).value_or("?"), file);
    EXPECT_TRUE(scripted().asked.empty());
    // The folder is gone with the test however its name is spelled.
    ::unlink(file.constData());
    ::rmdir(folder.constData());
}

TEST(IconForm, GridRowsOfFifteenAndTheLimitOfFiveHundred)
{
    scripted().clear();
    QTemporaryDir tree;
    for (int i = 0; i < 20; ++i)
        writePng(tree.filePath(QStringLiteral("p%1.png").arg(i, 2, 10, QLatin1Char('0'))), 16 + (i == 14) * 4,
                 qRgb(i, 0, 0));
    {
        Form f(tree.path());
        f.form.BB_StartFindClick();
        ASSERT_EQ(f.form.iconCount(), 20);
        EXPECT_EQ(f.form.iconImage(1)->pos(), QPoint(0, 0));
        EXPECT_EQ(f.form.iconImage(2)->pos(), QPoint(21, 0));
        // The 16th starts a new row at left 0, below the 15th (20 high) and the marker.
        EXPECT_EQ(f.form.iconImage(16)->pos(), QPoint(0, 20 + f.form.selectionMarker()->height() + 3));
        EXPECT_EQ(f.form.iconImage(17)->pos(), QPoint(21, f.form.iconImage(16)->y()));
    }
    // Two files of 600 images each: 500 icons, and the walk still reads every directory.
    QTemporaryDir big;
    writeFile(big.filePath("a.ico"), manyImagesIco(600));
    writeFile(big.filePath("b.ico"), manyImagesIco(600));
    QDir(big.path()).mkpath("x/y");
    writeFile(big.filePath("x/y/c.ico"), manyImagesIco(3));
    Form f(big.path());
    f.form.BB_StartFindClick();
    EXPECT_EQ(f.form.iconCount(), TIconForm::MaxIcons);
    EXPECT_EQ(f.ui().L_IconCnt->text(), "500 icons found.");
    EXPECT_EQ(f.form.directoryCount(), 3);
    for (int i = 1; i <= 500; ++i)
        ASSERT_TRUE(f.form.iconPath(i).endsWith("a.ico")) << i;
}

TEST(IconForm, NothingFoundIsReported)
{
    scripted().clear();
    QTemporaryDir empty;
    Form f(empty.path());
    f.form.BB_StartFindClick();
    ASSERT_EQ(scripted().asked.size(), 1u);
    EXPECT_EQ(scripted().asked[0].caption, QStringLiteral("검색결과"));
    EXPECT_EQ(scripted().asked[0].text, QStringLiteral("검색된 아이콘이 하나도 없습니다."));
    EXPECT_EQ(scripted().asked[0].icon, MsgIcon::Information);
    EXPECT_EQ(f.ui().L_IconCnt->text(), "0 icons found.");
    EXPECT_EQ(f.form.selectedIndex(), 0);
}

TEST(IconForm, StopEndsALargeWalk)
{
    scripted().clear();
    QTemporaryDir tree;
    for (int i = 0; i < 300; ++i) {
        const QString d = tree.filePath(QStringLiteral("d%1").arg(i, 3, 10, QLatin1Char('0')));
        QDir().mkdir(d);
        writePng(d + "/i.png", 8, qRgb(i % 256, 0, 0));
    }
    const struct {
        const char *name;
        const char *mask;
        int stopAfterDirectories;
    } rows[] = {{"icons found", "*.*", 20}, {"nothing matches", "*.nothing", 20}};
    for (const auto &row : rows) {
        Form f(tree.path());
        // Stop outside a search has nothing to stop.
        f.form.BB_StopClick();
        f.ui().CB_FindFile->setEditText(QLatin1String(row.mask));
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (f.form.directoryCount() >= row.stopAfterDirectories)
                f.ui().BB_Stop->click();
        });
        stopper.start(0);
        f.form.BB_StartFindClick();
        stopper.stop();
        EXPECT_FALSE(f.form.searching());
        EXPECT_LT(f.form.directoryCount(), 301) << row.name;
        EXPECT_GE(f.form.directoryCount(), row.stopAfterDirectories) << row.name;
        // A new search after a stopped one runs to its end.
        f.ui().CB_FindFile->setEditText("*.*");
        scripted().clear();
        f.form.BB_StartFindClick();
        EXPECT_EQ(f.form.directoryCount(), 301) << row.name;
        EXPECT_EQ(f.form.iconCount(), 300) << row.name;
    }
}

TEST(IconForm, ClosingDuringAWalk)
{
    scripted().clear();
    QTemporaryDir tree;
    for (int i = 0; i < 200; ++i) {
        const QString d = tree.filePath(QStringLiteral("d%1").arg(i));
        QDir().mkdir(d);
        writePng(d + "/i.png", 8, qRgb(0, 0, i % 256));
    }
    // Close, and Escape, which closes without a close event.
    for (const bool escape : {false, true}) {
        Form f(tree.path());
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (f.form.directoryCount() >= 10) {
                if (escape)
                    QTest::keyClick(&f.form, Qt::Key_Escape);
                else
                    f.ui().BB_Exit->click();
            }
        });
        closer.start(0);
        f.form.BB_StartFindClick();
        closer.stop();
        EXPECT_FALSE(f.form.isVisible()) << escape;
        EXPECT_LT(f.form.directoryCount(), 201) << escape;
        EXPECT_EQ(f.form.iconCount(), 0) << escape;
    }
}

TEST(IconForm, SavingInFourFormatsWithTheProposedNames)
{
    scripted().clear();
    QTemporaryDir tree, out;
    ASSERT_TRUE(QFile::copy(sampleExe(), tree.filePath("sample.exe")));
    Form f(tree.path());
    f.form.BB_StartFindClick();
    ASSERT_EQ(f.form.iconCount(), 2);
    f.form.selectIcon(2);
    const QImage icon = f.form.iconPicture(2);
    ASSERT_EQ(icon.size(), QSize(32, 32));

    const struct {
        const char *extension;
        void (TIconForm::*handler)();
        const char *format;
        bool exact;
    } rows[] = {
        {".bmp", &TIconForm::BB_SaveBMPClick, "bmp", true},
        {".ico", &TIconForm::BB_SaveICOClick, "ico", true},
        {".jpg", &TIconForm::BB_SaveJPEGClick, "jpeg", false},
        {".gif", &TIconForm::BB_SaveGIF89AClick, "gif", true},
    };
    QString saveDir = tree.path();
    for (const auto &row : rows) {
        scripted().clear();
        const QString target = out.filePath(QStringLiteral("saved") + QLatin1String(row.extension));
        scripted().pushAccept(target);
        (f.form.*row.handler)();
        ASSERT_EQ(scripted().asked.size(), 1u) << row.extension;
        const auto &asked = scripted().asked[0];
        EXPECT_EQ(asked.kind, ScriptedDialogs::Kind::SaveFile);
        EXPECT_EQ(asked.file.fileName, saveDir + QStringLiteral("/sample_2") + QLatin1String(row.extension));
        EXPECT_EQ(asked.file.defaultExt, QStringLiteral("*") + QLatin1String(row.extension));
        EXPECT_EQ(asked.file.filter, QStringLiteral("All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|"
                                                    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
                                                    "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"));
        // The directory of the chosen file is proposed next time.
        saveDir = out.path();
        EXPECT_EQ(f.form.saveDirectory(), out.path());
        QImage back(target, row.format);
        ASSERT_FALSE(back.isNull()) << row.extension;
        const QImage expected = row.exact && QLatin1String(row.format) != QLatin1String("gif")
            ? icon
            : flattenedOnWhite(icon).convertToFormat(QImage::Format_ARGB32);
        if (row.exact) {
            EXPECT_EQ(back.convertToFormat(QImage::Format_ARGB32), expected) << row.extension;
        } else {
            EXPECT_EQ(back.size(), icon.size());
        }
    }
    // Cancelled: nothing written, the directory kept.
    scripted().clear();
    scripted().pushCancel();
    f.form.BB_SaveGIF89AClick();
    EXPECT_EQ(f.form.saveDirectory(), out.path());
    // A directory that cannot be written: the user is told, nothing else changes.
    scripted().clear();
    scripted().pushAccept(out.filePath("missing/x.gif"));
    f.form.BB_SaveGIF89AClick();
    ASSERT_EQ(scripted().asked.size(), 2u);
    EXPECT_EQ(scripted().asked[1].kind, ScriptedDialogs::Kind::Message);
    EXPECT_TRUE(scripted().asked[1].text.contains("missing/x.gif"));
}

TEST(IconForm, BaseNameBeforeTheLastDotAndNoIndexForASingleIcon)
{
    EXPECT_EQ(savedPictureName("sample.exe", 2, 7, ".gif"), "sample_2.gif");
    EXPECT_EQ(savedPictureName("a.jpeg", 1, 1, ".bmp"), "a.bmp");
    EXPECT_EQ(savedPictureName("README", 3, 4, ".ico"), "README_3.ico");
    EXPECT_EQ(savedPictureName("my.icons.ico", 1, 2, ".jpg"), "my.icons_1.jpg");
    EXPECT_EQ(savedPictureName(".bashrc", 1, 1, ".bmp"), ".bashrc.bmp");

    scripted().clear();
    QTemporaryDir tree;
    writePng(tree.filePath("a.jpeg.png"), 8, qRgb(9, 9, 9));
    Form f(tree.path(), QStringLiteral("/nowhere/kept"));
    f.form.BB_StartFindClick();
    ASSERT_EQ(f.form.iconCount(), 1);
    scripted().pushCancel();
    f.form.BB_SaveBMPClick();
    ASSERT_EQ(scripted().asked.size(), 1u);
    // One icon in the whole search: no "_" and index; the handed-over directory is used.
    EXPECT_EQ(scripted().asked[0].file.fileName, QStringLiteral("/nowhere/kept/a.jpeg.bmp"));
}

TEST(IconForm, EnlargedViewTurnsAndClipboard)
{
    scripted().clear();
    QTemporaryDir tree;
    QImage wide(4, 2, QImage::Format_ARGB32);
    wide.fill(qRgba(0, 0, 0, 0));
    wide.setPixel(3, 0, qRgba(255, 0, 0, 255));
    ASSERT_TRUE(wide.save(tree.filePath("wide.png")));
    Form f(tree.path());
    // Nothing selected: the view does nothing.
    f.form.I_detailClick();
    EXPECT_TRUE(f.form.detailPicture().isNull());
    f.form.BB_StartFindClick();
    ASSERT_EQ(f.form.iconCount(), 1);
    EXPECT_EQ(f.form.detailPicture().size(), QSize(4, 2));
    QTest::mouseClick(f.ui().I_detail, Qt::LeftButton);
    const QImage turned = f.form.detailPicture();
    ASSERT_EQ(turned.size(), QSize(2, 4));
    EXPECT_EQ(turned.pixel(0, 0), qRgba(255, 0, 0, 255));  // the top right corner went to the top left
    EXPECT_EQ(qAlpha(turned.pixel(1, 3)), 0);              // transparency kept
    EXPECT_FALSE(f.form.detailTransparent());
    QTest::mouseClick(f.ui().I_detail, Qt::RightButton);
    EXPECT_TRUE(f.form.detailTransparent());
    EXPECT_EQ(f.form.detailPicture().size(), QSize(2, 4));

    f.form.BB_CopyToClipClick();
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_ARGB32), wide);
}

TEST(IconForm, RunReturnsTheSaveDirectory)
{
    scripted().clear();
    QString seenDir;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *form = qobject_cast<TIconForm *>(w);
            if (form && form->isVisible()) {
                seenDir = form->form()->E_FindDir->text();
                form->form()->BB_Exit->click();
            }
        }
    });
    closer.start(10);
    EXPECT_EQ(runIconExtractor(QStringLiteral("/tmp"), QStringLiteral("/srv/pictures"), nullptr),
              QStringLiteral("/srv/pictures"));
    EXPECT_EQ(seenDir, QStringLiteral("/tmp"));
}
