// The file information window, the shared drive group (facts off the window's
// thread with a time limit) and the About window's system panel.
#include "viewers/drive_facts.h"
#include "viewers/file_info_form.h"
#include "viewers/system_panel.h"
#include "ui_file_info_form.h"

#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/system_facts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kav;

namespace {

ScriptedDialogs &scripted()
{
    return static_cast<ScriptedDialogs &>(dialogs());
}

mode_t modeOf(const QString &path)
{
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st.st_mode & 07777;
}

void writeFile(const QString &path, qint64 size)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
}

// The window as the user sees it after activation, with the drives of a test.
struct Window {
    explicit Window(const QString &path) : form(path)
    {
        form.driveFacts()->driveTabs = [] {
            return QList<DriveTab>{{QStringLiteral("/"), QStringLiteral("/"), DriveFixed}};
        };
        form.show();
        QApplication::processEvents();
    }
    Ui::TFileInfoForm &ui() { return *form.form(); }
    QStringList memo() { return ui().M_fileinfo->toPlainText().split('\n'); }
    TFileInfoForm form;
};

} // namespace

TEST(FileInfo, TextsOfTheWindow)
{
    EXPECT_EQ(fileSizeText(1536), "1 KB (1536 Bytes)");
    EXPECT_EQ(fileSizeText(0), "0 KB (0 Bytes)");
    EXPECT_EQ(fileSizeText(5368709120LL), "5242880 KB (5368709120 Bytes)");
    EXPECT_EQ(serialText(0x1A2B3C4D), "1A2B-3C4D");
    EXPECT_EQ(serialText(0x00010002), "1-2");
    EXPECT_EQ(megabytesText(5 * 1024 * 1024 + 1023), "5 MB");
    EXPECT_EQ(kilobytesText(2047), "1 KB");
    const struct {
        int type;
        const char *name;
    } types[] = {{2, "Floppy"}, {3, "Fixed"}, {4, "Network"}, {5, "CDROM"}, {6, "RAM"},
                 {7, "Floppy3"}, {8, "Floppy5"}, {0, "Unknown"}, {1, "Unknown"}, {131, "Fixed"}};
    for (const auto &t : types)
        EXPECT_EQ(driveTypeName(t.type), t.name) << t.type;
    const QDateTime t(QDate(2024, 3, 9), QTime(14, 5, 59));
    const QString text = fileTimeText(t);
    EXPECT_TRUE(text.contains("  ")) << text.toStdString();
    EXPECT_FALSE(text.contains("59")) << "no seconds: " << text.toStdString();
}

TEST(FileInfo, RegularFileDirectoryAndProgram)
{
    scripted().clear();
    QTemporaryDir dir;
    const QString file = dir.filePath("data.bin");
    writeFile(file, 1536);
    {
        Window w(file);
        EXPECT_EQ(w.form.windowTitle(), "File Properties - Local");
        EXPECT_EQ(w.memo(), QStringList({"No FileVersionInfo found"}));
        EXPECT_EQ(w.ui().L_Filename->text(), "data.bin");
        EXPECT_EQ(w.ui().L_Filesize->text(), "1 KB (1536 Bytes)");
        EXPECT_FALSE(w.ui().L_Filetype->text().isEmpty());
        EXPECT_FALSE(w.ui().L_Modified->text().isEmpty());
        EXPECT_FALSE(w.ui().L_Created->text().isEmpty());
        EXPECT_FALSE(w.ui().L_LastAccess->text().isEmpty());
        EXPECT_TRUE(w.ui().CB_Archive->isChecked());
        EXPECT_FALSE(w.ui().CB_Readonly->isChecked());
        EXPECT_FALSE(w.ui().CB_Hidden->isChecked());
        EXPECT_FALSE(w.ui().CB_System->isChecked());
        EXPECT_FALSE(w.ui().CB_Directory->isChecked());
        EXPECT_FALSE(w.ui().CB_Directory->isEnabled());
        EXPECT_TRUE(w.ui().CB_Readonly->isEnabled());
        EXPECT_FALSE(w.ui().I_image->pixmap().isNull());
        EXPECT_EQ(w.ui().B_Ok->text(), "변경");
        EXPECT_EQ(w.ui().B_Ok->toolTip(), "파일의 속성(attribute)을 변경합니다");
        EXPECT_EQ(w.ui().B_Cancel->text(), "취소");
        EXPECT_EQ(w.ui().CB_Logicaldrives->currentText(), "/");
        EXPECT_EQ(w.ui().L_Drivetype->text(), "Fixed");
    }
    {
        Window w(dir.path());
        EXPECT_TRUE(w.ui().CB_Directory->isChecked());
        EXPECT_FALSE(w.ui().CB_Archive->isChecked());
    }
    {
        const QString hidden = dir.filePath(".profile");
        writeFile(hidden, 10);
        Window w(hidden);
        EXPECT_TRUE(w.ui().CB_Hidden->isChecked());
    }
    {
        Window w(QStringLiteral(KAVRIN_FIXTURES "/pe/sample.exe"));
        const QStringList lines = w.memo();
        ASSERT_EQ(lines.size(), 9);
        EXPECT_TRUE(lines[0].startsWith("FileVersionInfoSize = "));
        EXPECT_GT(lines[0].mid(22).toInt(), 0);
        EXPECT_EQ(lines.mid(1), QStringList({QStringLiteral("CompanyName = Kavrin 개발팀"),
                                            QStringLiteral("FileDescription = Icon test program 아이콘 시험"),
                                            "FileVersion = 2.2.0.7", "InternalName = sample",
                                            "LegalCopyright = (C) Kavrin", "OriginalFilename = sample.exe",
                                            "ProductName = Kavrin", "ProductVersion = 2.2"}));
    }
    // A hostile program: no crash, no version lines.
    {
        Window w(QStringLiteral(KAVRIN_FIXTURES "/pe/selfloop.exe"));
        EXPECT_FALSE(w.memo().isEmpty());
    }
    EXPECT_TRUE(scripted().asked.empty());
}

TEST(FileInfo, ReadOnlyChangedAndChangedBackAndNeverWrittenUnasked)
{
    scripted().clear();
    QTemporaryDir dir;
    const QString file = dir.filePath("doc.txt");
    writeFile(file, 3);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0664), 0);
    {
        Window w(file);
        w.ui().CB_Readonly->setChecked(true);
        w.ui().B_Ok->click();
        EXPECT_EQ(w.form.result(), QDialog::Accepted);
        EXPECT_EQ(modeOf(file), mode_t(0464));
    }
    {
        Window w(file);
        EXPECT_TRUE(w.ui().CB_Readonly->isChecked());
        w.ui().CB_Readonly->setChecked(false);
        w.ui().B_Ok->click();
        EXPECT_EQ(modeOf(file), mode_t(0664));
    }
    {
        // The mode changes after the window opened; an unchanged box writes nothing.
        Window w(file);
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
        w.ui().B_Ok->click();
        EXPECT_EQ(w.form.result(), QDialog::Accepted);
        EXPECT_EQ(modeOf(file), mode_t(0600));
    }
    {
        // The file is gone when the change is applied: the user is told.
        Window w(file);
        ASSERT_TRUE(QFile::remove(file));
        w.ui().CB_Readonly->setChecked(true);
        w.ui().B_Ok->click();
        ASSERT_EQ(scripted().asked.size(), 1u);
        EXPECT_TRUE(scripted().asked[0].text.contains("doc.txt"));
        EXPECT_NE(w.form.result(), QDialog::Accepted);
    }
}

TEST(FileInfo, FileOfAnotherUser)
{
    // /etc/passwd belongs to root; as anyone else the change is refused.
    scripted().clear();
    {
        Window w(QStringLiteral("/etc/passwd"));
        EXPECT_EQ(w.ui().L_Filename->text(), "passwd");
        EXPECT_FALSE(w.ui().CB_Readonly->isChecked()) << "its owner may write it";
    }
    const mode_t before = modeOf(QStringLiteral("/etc/passwd"));
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(setOwnerReadOnly(QStringLiteral("/etc/passwd"), true) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "refused";
    EXPECT_EQ(modeOf(QStringLiteral("/etc/passwd")), before);
}

TEST(DriveFacts, FactsOffTheWindowThreadWithATimeLimit)
{
    scripted().clear();
    QComboBox list;
    QLabel type, shell, label, serial, fs, freeSpace, disc;
    DriveFactsWidgets widgets{&list, &type, &shell, &label, &serial, &fs, &freeSpace, &disc, nullptr};
    DriveFacts facts(widgets);
    facts.driveTabs = [] {
        return QList<DriveTab>{{QStringLiteral("/"), QStringLiteral("/"), DriveFixed},
                               {QStringLiteral("dead"), QStringLiteral("/mnt/dead"), DriveRemote}};
    };
    int calls = 0;
    facts.readFacts = [&calls](const QString &mount) -> std::optional<VolumeFacts> {
        ++calls;
        if (mount == QLatin1String("/mnt/dead")) {
            QThread::sleep(5);  // a server that never answers
            return std::nullopt;
        }
        VolumeFacts v;
        v.displayName = QStringLiteral("root");
        v.label = QStringLiteral("DISK");
        v.fileSystem = QStringLiteral("ext4");
        v.serial = 0x1A2B3C4D;
        v.freeBytes = 5 * 1024 * 1024 + 5;
        v.totalBytes = 7LL * 1024 * 1024 * 1024;
        return v;
    };
    facts.timeLimitMs = 300;
    facts.fill(QStringLiteral("/home/someone/file"));
    EXPECT_EQ(list.currentIndex(), 0);
    EXPECT_EQ(type.text(), "Fixed");
    EXPECT_EQ(shell.text(), "root");
    EXPECT_EQ(label.text(), "DISK");
    EXPECT_EQ(serial.text(), "1A2B-3C4D");
    EXPECT_EQ(fs.text(), "ext4");
    EXPECT_EQ(freeSpace.text(), "5 MB");
    EXPECT_EQ(disc.text(), "7168 MB");

    // The dead mount: the window keeps working, the labels are emptied and the
    // user is asked; Retry asks again, Cancel ends.
    scripted().pushButton(BtnRetry);
    scripted().pushButton(BtnCancel);
    QElapsedTimer timer;
    timer.start();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    list.setCurrentIndex(1);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_GT(ticks, 3) << "events were processed while waiting";
    EXPECT_EQ(type.text(), "Network");
    for (QLabel *l : {&label, &serial, &fs, &freeSpace, &disc})
        EXPECT_TRUE(l->text().isEmpty());
    ASSERT_EQ(scripted().asked.size(), 2u);
    EXPECT_EQ(scripted().asked[0].caption, applicationTitle());
    EXPECT_EQ(scripted().asked[0].text, QStringLiteral("/mnt/dead 에 접근할 수 없습니다. 확인하세요\r\n\r\n"));
    EXPECT_EQ(scripted().asked[0].icon, MsgIcon::Error);
    EXPECT_EQ(scripted().asked[0].buttons, BtnRetry | BtnCancel);
}

TEST(DriveFacts, TheRootOfThisMachine)
{
    const std::optional<VolumeFacts> root = volumeFactsWithin(QStringLiteral("/"), 10000);
    ASSERT_TRUE(root.has_value());
    EXPECT_FALSE(root->fileSystem.isEmpty());
    EXPECT_GT(root->totalBytes, 0);
    EXPECT_LE(root->freeBytes, root->totalBytes);

    const struct {
        const char *uuid;
        std::optional<quint32> serial;
    } rows[] = {{"1a2b3c4d-0000-4000-8000-000000000000", 0x1A2B3C4D},
                {"1A2B-3C4D", 0x1A2B3C4D},
                {"0123456789ABCDEF", 0x01234567},
                {"12ab", std::nullopt},
                {"", std::nullopt},
                {"zz2b3c4d", std::nullopt}};
    for (const auto &r : rows)
        EXPECT_EQ(serialOfUuid(QLatin1String(r.uuid)), r.serial) << r.uuid;
}

TEST(SystemPanel, FactsOfThisMachine)
{
    const struct {
        const char *kernel;
        const char *version;
        const char *build;
    } kernels[] = {{"6.1.0-18-amd64", "6.1", "0"}, {"5.15.153.1-microsoft-standard-WSL2", "5.15", "153"},
                   {"6.8", "6.8", "0"}, {"", "0.0", "0"}};
    for (const auto &k : kernels) {
        const auto [version, build] = kernelVersionOf(QLatin1String(k.kernel));
        EXPECT_EQ(version, k.version) << k.kernel;
        EXPECT_EQ(build, k.build) << k.kernel;
    }
    EXPECT_EQ(cpuModelOf("processor\t: 0\nvendor_id\t: X\nmodel name\t: Some CPU @ 2.0GHz\n"), "Some CPU @ 2.0GHz");
    EXPECT_EQ(cpuModelOf("nothing here"), "");
    EXPECT_EQ(fullNameOf("Ann Lee,Room 1,,"), "Ann Lee");
    EXPECT_EQ(fullNameOf(""), "");

    const SystemFacts f = readSystemFacts();
    EXPECT_EQ(f.organization, "Failure");
    EXPECT_FALSE(f.owner.isEmpty());
    EXPECT_FALSE(f.cpu.isEmpty());
    EXPECT_FALSE(f.operatingSystem.isEmpty());
    EXPECT_GT(f.totalMemory, 64ull * 1024 * 1024);
    EXPECT_LE(f.availMemory, f.totalMemory);
    EXPECT_GE(f.totalVirtual, f.totalMemory);
    EXPECT_LE(f.availVirtual, f.totalVirtual);
    EXPECT_GE(f.memoryLoad, 0);
    EXPECT_LE(f.memoryLoad, 100);

    scripted().clear();
    QWidget window;
    auto *panel = new SystemPanel(&window);
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!panel->blinkTimer()->isActive() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(panel->blinkTimer()->isActive());
    EXPECT_EQ(panel->blinkTimer()->interval(), 500);
    auto text = [panel](const char *name) {
        auto *l = panel->findChild<QLabel *>(QLatin1String(name));
        EXPECT_NE(l, nullptr) << name;
        return l ? l->text() : QString();
    };
    EXPECT_EQ(text("L_Organization"), "Failure");
    EXPECT_EQ(text("L_Owner"), f.owner);
    EXPECT_EQ(text("L_CPU"), f.cpu);
    EXPECT_EQ(text("L_OperatingSystem"), f.operatingSystem);
    EXPECT_TRUE(text("L_WinVersion").contains('.'));
    for (const char *name : {"L_TotalMemory", "L_AvailMemory", "L_TotalVirtual", "L_AvailVirtual"})
        EXPECT_TRUE(text(name).endsWith(" KB")) << name;
    EXPECT_EQ(text("L_TotalMemory"), kilobytesText(f.totalMemory));
    bool ok = false;
    EXPECT_LE(text("L_MemoryLoad").toInt(&ok), 100);
    EXPECT_TRUE(ok);
    auto *drives = panel->findChild<QComboBox *>("CB_Logicaldrives");
    ASSERT_NE(drives, nullptr);
    EXPECT_EQ(drives->currentText(), "/");
    EXPECT_TRUE(text("L_Discspace").endsWith(" MB"));
    EXPECT_FALSE(text("L_FileSystem").isEmpty());
    const char *const captions[] = {"Organization", "Owner", "CPU", "Operating System", "Windows Version", "Build",
                                    "Total Memory", "Available Memory", "Total Virtual", "Available Virtual",
                                    "Memory Load", "Drive type", "Shell name", "Volume label", "Serial number",
                                    "File System", "Free space", "Disc space", "Logical drives"};
    QStringList shown;
    for (QLabel *l : panel->findChildren<QLabel *>())
        shown << l->text();
    for (const char *c : captions)
        EXPECT_TRUE(shown.contains(QLatin1String(c))) << c;
}
