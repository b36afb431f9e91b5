#include "platform/dialogs.h"
#include "platform/scripted_dialogs.h"
#include "platform/local_path.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace kav;

ScriptedDialogs &scripted()
{
    auto &s = static_cast<ScriptedDialogs &>(dialogs());
    return s;
}

class ScriptedDialogsTest : public ::testing::Test {
protected:
    void SetUp() override { scripted().clear(); }
    void TearDown() override
    {
        scripted().clear();
        setApplicationTitle(QStringLiteral("Kavrin Version 2.2"));
    }
};

TEST(FileDialogHelpers, WindowsFiltersBecomeQtFilters)
{
    struct Case {
        const char *windows, *qt;
    } cases[] = {
        {"Programs|*.exe|All Files(*.*)|*.*", "Programs (*.exe);;All Files (*.*)"},
        {"Text|*.txt;*.log", "Text (*.txt *.log)"},
        {"Text files (*.txt)|*.txt", "Text files (*.txt)"},          // the patterns shown once
        {"Text Files (*.TXT)|*.TXT", "Text Files (*.TXT)"},
        {"Web (*.htm; *.html)|*.htm;*.html", "Web (*.htm *.html)"},
        {"Text (*.txt)|*.log", "Text (*.txt) (*.log)"},                // other patterns than shown
        {"", ""},
        {"Everything", "Everything (*)"},       // a description without its pattern
        {"Images|*.bmp|", "Images (*.bmp)"},    // a trailing bar adds nothing
        {"이미지|*.gif;*.jpg", "이미지 (*.gif *.jpg)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtFileFilter(QString::fromUtf8(c.windows)), QString::fromUtf8(c.qt)) << c.windows;
}

TEST(FileDialogHelpers, ProgramChoiceListsFilesWithoutExtension)
{
    struct Case {
        const char *windows, *qt;
    } cases[] = {
        {"Programs|*.exe|All Files(*.*)|*.*", "Programs (*);;All Files (*)"},
        {"Programs|*.exe;*.com|Scripts|*.sh", "Programs (*);;Scripts (*.sh)"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(qtFileFilter(QString::fromUtf8(c.windows), true), QString::fromUtf8(c.qt)) << c.windows;
}

TEST(FileDialogHelpers, DefaultExtensionOnlyForNamesWithout)
{
    struct Case {
        const char *path, *ext, *expected;
    } cases[] = {
        {"/tmp/report", "txt", "/tmp/report.txt"},
        {"/tmp/report", "*.txt", "/tmp/report.txt"},
        {"/tmp/report", ".txt", "/tmp/report.txt"},
        {"/tmp/report.log", "txt", "/tmp/report.log"},
        {"/tmp/dir.d/report", "txt", "/tmp/dir.d/report.txt"},  // the directory's dot does not count
        {"/tmp/report", "", "/tmp/report"},
        {"/tmp/report", "*.*", "/tmp/report"},
        {"/tmp/report", "*", "/tmp/report"},
        {"", "txt", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(withDefaultExtension(c.path, c.ext), QString::fromUtf8(c.expected))
            << c.path << " + " << c.ext;
}

TEST_F(ScriptedDialogsTest, MessageBoxesTakeAnswersInOrderAndAreRecorded)
{
    scripted().pushButton(BtnNo);
    scripted().pushButton(BtnRetry);
    scripted().pushAccept();
    EXPECT_EQ(dialogs().messageBox(nullptr, "C1", QStringLiteral("지울까요?"), MsgIcon::Question,
                                   BtnYes | BtnNo),
              BtnNo);
    EXPECT_EQ(dialogs().messageBox(nullptr, "C2", "t2", MsgIcon::Error,
                                   BtnAbort | BtnRetry | BtnIgnore),
              BtnRetry);
    EXPECT_EQ(dialogs().messageBox(nullptr, "C3", "t3", MsgIcon::Question, BtnYes | BtnNo), BtnYes);
    EXPECT_TRUE(scripted().answers.empty());
    ASSERT_EQ(scripted().asked.size(), 3u);
    const auto &first = scripted().asked[0];
    EXPECT_EQ(first.kind, ScriptedDialogs::Kind::Message);
    EXPECT_EQ(first.caption, "C1");
    EXPECT_EQ(first.text, QStringLiteral("지울까요?"));
    EXPECT_EQ(first.icon, MsgIcon::Question);
    EXPECT_EQ(first.buttons, BtnYes | BtnNo);
    EXPECT_EQ(scripted().messageTexts(), (QStringList{QStringLiteral("지울까요?"), "t2", "t3"}));
}

TEST_F(ScriptedDialogsTest, UnansweredBoxesGetTheSafeButton)
{
    struct Case {
        int buttons, expected;
    } cases[] = {
        {BtnOk, BtnOk},
        {BtnYes | BtnNo, BtnNo},
        {BtnYes | BtnNo | BtnCancel, BtnCancel},
        {BtnOk | BtnCancel, BtnCancel},
        {BtnAbort | BtnRetry | BtnIgnore, BtnAbort},
        {BtnRetry | BtnCancel, BtnCancel},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dialogs().messageBox(nullptr, "c", "t", MsgIcon::None, c.buttons), c.expected)
            << c.buttons;
    // A cancelling answer on an OK-only box still returns a button that box has.
    scripted().pushCancel();
    EXPECT_EQ(dialogs().messageBox(nullptr, "c", "t", MsgIcon::None, BtnOk), BtnCancel);
}

TEST_F(ScriptedDialogsTest, InformationAndConfirmBoxesUseTheApplicationTitle)
{
    EXPECT_EQ(applicationTitle(), "Kavrin Version 2.2");
    informationBox(QStringLiteral("전송 완료"));
    setApplicationTitle(QStringLiteral("work (10.0.0.1 me)"));
    EXPECT_FALSE(confirmBox("sure?"));  // unanswered: No
    scripted().pushButton(BtnYes);
    EXPECT_TRUE(confirmBox("sure?"));
    ASSERT_EQ(scripted().asked.size(), 3u);
    EXPECT_EQ(scripted().asked[0].caption, "Kavrin Version 2.2");
    EXPECT_EQ(scripted().asked[0].icon, MsgIcon::Information);
    EXPECT_EQ(scripted().asked[0].buttons, BtnOk);
    EXPECT_EQ(scripted().asked[1].caption, "work (10.0.0.1 me)");
    EXPECT_EQ(scripted().asked[1].icon, MsgIcon::Question);
    EXPECT_EQ(scripted().asked[1].buttons, BtnYes | BtnNo);
}

TEST_F(ScriptedDialogsTest, InputQueryKeepsTheValueUnlessAccepted)
{
    QString value = "old";
    EXPECT_FALSE(dialogs().inputQuery(nullptr, "Rename", "New name:", value));  // nothing queued
    EXPECT_EQ(value, "old");
    scripted().pushCancel();
    EXPECT_FALSE(dialogs().inputQuery(nullptr, "Rename", "New name:", value));
    EXPECT_EQ(value, "old");
    scripted().pushAccept(QStringLiteral("새이름"));
    EXPECT_TRUE(dialogs().inputQuery(nullptr, "Rename", "New name:", value));
    EXPECT_EQ(value, QStringLiteral("새이름"));
    scripted().pushButton(BtnOk);  // OK without typing: the proposed text stays
    EXPECT_TRUE(dialogs().inputQuery(nullptr, "Rename", "New name:", value));
    EXPECT_EQ(value, QStringLiteral("새이름"));
    ASSERT_EQ(scripted().asked.size(), 4u);
    EXPECT_EQ(scripted().asked[0].kind, ScriptedDialogs::Kind::Input);
    EXPECT_EQ(scripted().asked[0].caption, "Rename");
    EXPECT_EQ(scripted().asked[0].text, "New name:");
    EXPECT_EQ(scripted().asked[0].value, "old");
}

TEST_F(ScriptedDialogsTest, FileDirectoryAndFontDialogs)
{
    FileRequest request{"Save as", "Text|*.txt", "txt", "/tmp", "a.txt"};
    QString path = "unchanged";
    QStringList paths;

    scripted().pushAccept("/tmp/one");
    EXPECT_TRUE(dialogs().saveFile(nullptr, request, path));
    EXPECT_EQ(path, "/tmp/one.txt");
    EXPECT_FALSE(dialogs().saveFile(nullptr, request, path));  // unanswered: cancelled
    EXPECT_EQ(path, "/tmp/one.txt");

    scripted().pushAccept("/tmp/in.exe");
    EXPECT_TRUE(dialogs().openFile(nullptr, request, path));
    EXPECT_EQ(path, "/tmp/in.exe");

    scripted().pushAcceptMany({"/a", "/b"});
    EXPECT_TRUE(dialogs().openFiles(nullptr, request, paths));
    EXPECT_EQ(paths, (QStringList{"/a", "/b"}));
    scripted().pushCancel();
    EXPECT_FALSE(dialogs().openFiles(nullptr, request, paths));
    EXPECT_EQ(paths, (QStringList{"/a", "/b"}));

    QString dir = "/start";
    scripted().pushAccept("/chosen");
    EXPECT_TRUE(dialogs().chooseDirectory(nullptr, "Pick", dir));
    EXPECT_EQ(dir, "/chosen");

    QFont font("NanumGothic", 10);
    QFont wanted("NanumGothic", 14);
    scripted().pushFont(wanted);
    EXPECT_TRUE(dialogs().chooseFont(nullptr, font));
    EXPECT_EQ(font.pointSize(), 14);

    const auto &asked = scripted().asked;
    ASSERT_EQ(asked.size(), 7u);
    EXPECT_EQ(asked[0].kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(asked[0].caption, "Save as");
    EXPECT_EQ(asked[0].file.filter, "Text|*.txt");
    EXPECT_EQ(asked[0].file.initialDir, "/tmp");
    EXPECT_EQ(asked[0].file.fileName, "a.txt");
    EXPECT_EQ(asked[2].kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(asked[3].kind, ScriptedDialogs::Kind::OpenFiles);
    EXPECT_EQ(asked[5].kind, ScriptedDialogs::Kind::Directory);
    EXPECT_EQ(asked[5].value, "/start");
    EXPECT_EQ(asked[6].kind, ScriptedDialogs::Kind::Font);
}

TEST(DialogService, InstallingAndRestoring)
{
    Dialogs *mine = &dialogs();
    auto previous = setDialogs(nullptr);  // the Qt service
    EXPECT_EQ(previous.get(), mine);
    EXPECT_EQ(dynamic_cast<ScriptedDialogs *>(&dialogs()), nullptr);
    auto qt = setDialogs(std::move(previous));
    EXPECT_NE(qt, nullptr);
    EXPECT_EQ(&dialogs(), mine);
}

// Runs `act` on the modal dialog as soon as it is showing.
void whenModal(std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

// The Qt service on screen (offscreen): plain text, the caption, the buttons.
TEST(QtDialogs, MessageBoxShowsPlainTextAndMapsButtons)
{
    auto qt = makeQtDialogs();
    const QString hostile = QStringLiteral("<img src=x> <b>파일</b>");
    QString seenText, seenTitle;
    Qt::TextFormat seenFormat = Qt::RichText;
    int buttonCount = 0;
    whenModal([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        ASSERT_NE(box, nullptr);
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenFormat = box->textFormat();
        buttonCount = int(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    const int pressed = qt->messageBox(nullptr, "Caption", hostile, MsgIcon::Question,
                                       BtnYes | BtnNo | BtnCancel);
    EXPECT_EQ(pressed, BtnNo);
    EXPECT_EQ(seenText, hostile);
    EXPECT_EQ(seenTitle, "Caption");
    EXPECT_EQ(seenFormat, Qt::PlainText);
    EXPECT_EQ(buttonCount, 3);

    // Escape gives the safe button.
    whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    EXPECT_EQ(qt->messageBox(nullptr, "c", "t", MsgIcon::None, BtnYes | BtnNo), BtnNo);
}

TEST(QtDialogs, InputQueryShowsPromptAsPlainText)
{
    auto qt = makeQtDialogs();
    bool allPlain = false;
    whenModal([&](QWidget *w) {
        auto *dlg = qobject_cast<QInputDialog *>(w);
        ASSERT_NE(dlg, nullptr);
        allPlain = true;
        for (QLabel *l : dlg->findChildren<QLabel *>())
            allPlain = allPlain && l->textFormat() == Qt::PlainText;
        dlg->setTextValue(QStringLiteral("새 값"));
        dlg->accept();
    });
    QString value = "old";
    EXPECT_TRUE(qt->inputQuery(nullptr, "Caption", "<b>prompt</b>", value));
    EXPECT_EQ(value, QStringLiteral("새 값"));
    EXPECT_TRUE(allPlain);

    whenModal([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
    EXPECT_FALSE(qt->inputQuery(nullptr, "Caption", "prompt", value));
    EXPECT_EQ(value, QStringLiteral("새 값"));
}

// The certificate question on screen, answered by real key and mouse events.
QPushButton *certificateButton(QWidget *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

CertificateQuestion sampleQuestion(bool keyChanged)
{
    CertificateQuestion q;
    q.host = QStringLiteral("ftp.example.org");
    q.problem = QStringLiteral("자체 서명된 인증서입니다.");
    q.subject = QStringLiteral("CN=ftp.example.org");
    q.issuer = q.subject;
    q.fingerprint = QStringLiteral("AB:CD");
    q.keyChanged = keyChanged;
    return q;
}

// Enter, Esc and Space by habit never connect to a changed key, nor choose to
// trust a new one, wherever the focus is; the letters and a click still do.
TEST(QtDialogs, CertificateQuestionAcceptsOnlyADeliberateChoice)
{
    const QString once = QStringLiteral("이번만 연결(&O)");
    const QString always = QStringLiteral("항상 신뢰(&T)");
    const QString cancel = QStringLiteral("취소");
    struct Row {
        bool keyChanged;
        QString focus;   // the button given the focus first; empty: where the dialog put it
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        CertificateChoice expected;
    };
    const Row rows[] = {
        {true, {}, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {true, {}, Qt::Key_Enter, Qt::KeypadModifier, CertificateChoice::Cancel},
        {true, {}, Qt::Key_Escape, Qt::NoModifier, CertificateChoice::Cancel},
        {true, {}, Qt::Key_Space, Qt::NoModifier, CertificateChoice::Cancel},
        {true, once, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {true, always, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {true, once, Qt::Key_Escape, Qt::NoModifier, CertificateChoice::Cancel},
        {true, {}, Qt::Key_O, Qt::AltModifier, CertificateChoice::ConnectOnce},
        {true, {}, Qt::Key_T, Qt::AltModifier, CertificateChoice::TrustAlways},
        {false, {}, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {false, {}, Qt::Key_Escape, Qt::NoModifier, CertificateChoice::Cancel},
        {false, once, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {false, always, Qt::Key_Return, Qt::NoModifier, CertificateChoice::Cancel},
        {false, always, Qt::Key_Enter, Qt::KeypadModifier, CertificateChoice::Cancel},
        {false, {}, Qt::Key_O, Qt::AltModifier, CertificateChoice::ConnectOnce},
        {false, always, Qt::Key_Space, Qt::NoModifier, CertificateChoice::TrustAlways},
    };
    auto qt = makeQtDialogs();
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << "changed " << row.keyChanged << " focus "
                                        << row.focus.toStdString() << " key " << row.key);
        bool sent = false;
        whenModal([&](QWidget *w) {
            w->activateWindow();
            if (!row.focus.isEmpty()) {
                QPushButton *b = certificateButton(w, row.focus);
                ASSERT_NE(b, nullptr);
                b->setFocus();
            }
            QWidget *target = w->focusWidget();
            // The key goes where a user's key would: to the button holding the focus.
            ASSERT_NE(qobject_cast<QPushButton *>(target), nullptr);
            if (!row.focus.isEmpty()) {
                EXPECT_EQ(target, certificateButton(w, row.focus));
            }
            sent = true;
            QTest::keyClick(target, row.key, row.modifiers);
            // A letter clicks the way a click looks: a moment later.
            (void)QTest::qWaitFor([w] { return !w->isVisible(); }, 1000);
            if (w->isVisible())
                static_cast<QDialog *>(w)->done(-1);   // no answer: fails below
        });
        EXPECT_EQ(qt->certificateQuestion(nullptr, sampleQuestion(row.keyChanged)), row.expected);
        EXPECT_TRUE(sent);
    }

    // A click on a changed key's button is the deliberate way.
    whenModal([&](QWidget *w) { QTest::mouseClick(certificateButton(w, once), Qt::LeftButton); });
    EXPECT_EQ(qt->certificateQuestion(nullptr, sampleQuestion(true)), CertificateChoice::ConnectOnce);
    whenModal([&](QWidget *w) { QTest::mouseClick(certificateButton(w, cancel), Qt::LeftButton); });
    EXPECT_EQ(qt->certificateQuestion(nullptr, sampleQuestion(true)), CertificateChoice::Cancel);
}

// What the server named cannot reorder the question nor push the fingerprint
// away: bidirectional controls are escaped, long names cut with a mark.
TEST(QtDialogs, CertificateQuestionShowsHostileNamesHarmlessly)
{
    const struct {
        QString in;
        QString out;
        qsizetype limit = 60;
    } fields[] = {
        {QStringLiteral("CN=plain,O=회사"), QStringLiteral("CN=plain,O=회사")},
        {QStringLiteral("CN=gpj.\u202Eexe"), QStringLiteral("CN=gpj.\\E2\\80\\AEexe")},
        {QStringLiteral("CN=a\u2066b\u2069c\u200Fd\u061Ce"),
         QStringLiteral("CN=a\\E2\\81\\A6b\\E2\\81\\A9c\\E2\\80\\8Fd\\D8\\9Ce")},
        {QStringLiteral("CN=two\nlines\u2028x"), QStringLiteral("CN=two\\0Alines\\E2\\80\\A8x")},
        {QStringLiteral("CN=") + QString(37, QChar(u'가')), QStringLiteral("CN=") + QString(37, QChar(u'가'))},
        {QString(30, QLatin1Char('x')), QString(20, QLatin1Char('x')) + QStringLiteral("… (이하 10자 생략)"), 20},
        // An escape is never cut in half.
        {QString(18, QLatin1Char('x')) + QChar(0x202E) + QStringLiteral("yy"),
         QString(18, QLatin1Char('x')) + QStringLiteral("… (이하 11자 생략)"), 20},
        {QString(8, QChar(0xD83D)) , QString(8, QChar(0xFFFD))},
    };
    for (const auto &f : fields)
        EXPECT_EQ(certificateField(f.in, f.limit), f.out) << f.in.toStdString();

    CertificateQuestion q = sampleQuestion(true);
    const QString fingerprint = QStringLiteral(
        "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89");
    q.fingerprint = fingerprint;
    q.subject = QStringLiteral("CN=\u202E") + QString(100000, QLatin1Char('W'));
    q.issuer = QString(5000, QLatin1Char(' ')) + QString(5000, QChar(u'가'));
    const QString details = certificateDetails(q);
    EXPECT_FALSE(details.contains(QChar(0x202E)));
    EXPECT_TRUE(details.contains(QStringLiteral("SHA-256 지문: ") + fingerprint));
    EXPECT_TRUE(details.contains(QStringLiteral("생략)")));
    EXPECT_LT(details.size(), 1000);

    // On screen: the window fits a small screen and the fingerprint is in it, whole.
    auto qt = makeQtDialogs();
    QSize shown;
    bool fingerprintShown = false;
    whenModal([&](QWidget *w) {
        shown = w->size();
        auto *text = w->findChild<QTextEdit *>(QStringLiteral("certificateDetails"));
        ASSERT_NE(text, nullptr);
        // Whole, and above the bottom of the box: nothing to scroll to.
        const QTextCursor found = text->document()->find(fingerprint);
        ASSERT_FALSE(found.isNull());
        QTextCursor end = found;
        end.setPosition(found.selectionEnd());
        fingerprintShown = text->cursorRect(end).bottom() <= text->viewport()->height()
            && text->verticalScrollBar()->maximum() == 0;
        static_cast<QDialog *>(w)->reject();
    });
    EXPECT_EQ(qt->certificateQuestion(nullptr, q), CertificateChoice::Cancel);
    EXPECT_TRUE(fingerprintShown);
    EXPECT_LE(shown.width(), 1024);
    EXPECT_LE(shown.height(), 700);
}

// A dialog that refuses the choice is closed all the same: a refusal fails the
// test instead of leaving it waiting.
void acceptOrGiveUp(QWidget *w)
{
    auto *d = static_cast<QDialog *>(w);
    d->accept();
    if (d->isVisible())
        d->reject();
}

// Folders and files whose bytes are no text, made with the system's own calls.
class ForeignDialogPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath();
        folder = root + QLatin1Char('/') + localpath::decode("\xB0\xA1\xB3\xAA x\xE9");   // "가나" in code page 949 and a stray byte
        ASSERT_TRUE(localpath::makeDirectory(folder));
        file = folder + QLatin1Char('/') + localpath::decode("\xB0\xA1.txt");   // 가.txt in code page 949
        ASSERT_TRUE(localpath::saveFile(file, "old"));
        plainFile = root + QLatin1Char('/') + localpath::decode("x\xFF.txt");
        ASSERT_TRUE(localpath::saveFile(plainFile, "plain"));
    }
    void TearDown() override
    {
        for (const localpath::Entry &e : localpath::allEntries(folder))
            localpath::remove(folder + QLatin1Char('/') + e.path);
        localpath::removeDirectory(folder);
        localpath::remove(plainFile);
    }
    static QByteArray contentOf(const QString &path)
    {
        QFile f;
        return localpath::open(f, path, QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QTemporaryDir tmp;
    QString root, folder, file, plainFile;
};

TEST_F(ForeignDialogPaths, StartOnALinkNamedAsShownAndComeBackByTheirBytes)
{
    // Paths Qt can name pass as they are.
    {
        const DialogPaths plain(root + QStringLiteral("/new.txt"));
        EXPECT_EQ(plain.shown(), root + QStringLiteral("/new.txt"));
        EXPECT_EQ(plain.localPath(root + QStringLiteral("/b.txt")), root + QStringLiteral("/b.txt"));
    }
    QString link;
    {
        const DialogPaths start(folder);
        link = start.shown();
        EXPECT_FALSE(localpath::hasEscapes(link));
        EXPECT_EQ(QFileInfo(link).fileName(), localpath::displayName(QStringView(folder).mid(root.size() + 1)));
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_TRUE(QFileInfo(link).isDir()) << "Qt reaches the folder through the link";
        EXPECT_EQ(start.localPath(link), folder);
        EXPECT_EQ(start.localPath(link + QStringLiteral("/새 파일.txt")), folder + QStringLiteral("/새 파일.txt"));
        // An existing file Qt shows with replacement characters is that file.
        EXPECT_EQ(start.localPath(link + QLatin1Char('/') + QFile::decodeName(*localpath::encode(file.mid(folder.size() + 1)))),
                  file);
        EXPECT_EQ(start.localPath(QStringLiteral("/tmp/elsewhere.txt")), QStringLiteral("/tmp/elsewhere.txt"));
    }
    EXPECT_FALSE(QFileInfo(link).isSymLink()) << "the link goes with the dialog";
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(link).path()));
    EXPECT_TRUE(localpath::isDirectory(folder)) << "never what it points at";
    EXPECT_EQ(contentOf(file), "old");

    // A proposed name of foreign bytes is shown as the panes show it and kept
    // when chosen unchanged or with text added.
    {
        const DialogPaths start(file);
        EXPECT_TRUE(start.shown().endsWith(QStringLiteral("/가.txt"))) << start.shown().toStdString();
        const QString shownFolder = QFileInfo(start.shown()).path();
        EXPECT_EQ(start.localPath(start.shown()), file);
        EXPECT_EQ(start.localPath(start.shown() + QStringLiteral(".bak")), file + QStringLiteral(".bak"));
        EXPECT_EQ(start.localPath(shownFolder + QStringLiteral("/b.txt")), folder + QStringLiteral("/b.txt"));
    }
    {
        const DialogPaths start(plainFile);
        EXPECT_EQ(start.shown(), root + QStringLiteral("/x\\xFF.txt"));
        EXPECT_EQ(start.localPath(start.shown()), plainFile);
        EXPECT_EQ(start.localPath(root + QLatin1Char('/') + QFile::decodeName("x\xFF.txt")), plainFile);
    }
    // A folder that is not there gives way to the nearest one that is.
    {
        const DialogPaths start(folder + QStringLiteral("/gone") + localpath::decode("\xFE") + QStringLiteral("/deeper/"));
        EXPECT_FALSE(localpath::hasEscapes(start.shown()));
        EXPECT_TRUE(QFileInfo(start.shown()).isDir()) << start.shown().toStdString();
    }
}

// Qt's own dialogs, offscreen: started on a foreign folder, they hand back the
// right file, and saving there writes that file.
TEST_F(ForeignDialogPaths, QtDialogsOpenAndSaveInAForeignFolder)
{
    auto qt = makeQtDialogs();
    QString startedIn;
    whenModal([&](QWidget *w) {
        auto *d = qobject_cast<QFileDialog *>(w);
        ASSERT_NE(d, nullptr);
        startedIn = d->directory().absolutePath();
        acceptOrGiveUp(d);   // the proposed name
    });
    FileRequest save;
    save.initialDir = folder;
    save.fileName = QStringLiteral("새 문서");
    save.defaultExt = QStringLiteral("txt");
    QString path;
    ASSERT_TRUE(qt->saveFile(nullptr, save, path));
    EXPECT_EQ(path, folder + QStringLiteral("/새 문서.txt"));
    EXPECT_TRUE(startedIn.endsWith(localpath::displayName(QStringView(folder).mid(root.size() + 1))))
        << startedIn.toStdString();
    ASSERT_TRUE(localpath::saveFile(path, "new"));
    EXPECT_EQ(contentOf(folder + QStringLiteral("/새 문서.txt")), "new");

    // Over the existing foreign-named file, proposed by its own name.
    whenModal([](QWidget *w) { acceptOrGiveUp(w); });
    save.fileName = file.mid(folder.size() + 1);
    ASSERT_TRUE(qt->saveFile(nullptr, save, path));
    EXPECT_EQ(path, file);

    // Opening: the file picked as Qt lists it.
    whenModal([&](QWidget *w) {
        auto *d = static_cast<QFileDialog *>(w);
        // As the user picks it: its name, as Qt lists it, in the name field.
        auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        EXPECT_NE(name, nullptr);
        if (name)
            name->setText(QFile::decodeName(*localpath::encode(file.mid(folder.size() + 1))));
        acceptOrGiveUp(d);
    });
    FileRequest open;
    open.initialDir = folder;
    ASSERT_TRUE(qt->openFile(nullptr, open, path));
    EXPECT_EQ(path, file);

    whenModal([](QWidget *w) { acceptOrGiveUp(w); });
    QString dir = folder;
    ASSERT_TRUE(qt->chooseDirectory(nullptr, QStringLiteral("폴더"), dir));
    EXPECT_EQ(dir, folder);
}

} // namespace

// The SSH host key question on screen, answered by real key presses to the
// widget that has the focus, as a user's keys go: Enter, Escape and Space
// cancel, only an access letter (or a click) accepts; a changed key is a red
// warning that offers nothing to accept.
TEST(QtDialogs, HostKeyQuestionAcceptsOnlyByChoice)
{
    auto qt = makeQtDialogs();
    HostKeyQuestion q;
    q.host = QStringLiteral("[sftp.example.net]:2222");
    q.keyType = QStringLiteral("ED25519");
    q.fingerprint = QStringLiteral("SHA256:uNiVztksCsDhcc0u9e8BujQXVUpKZIDTMczCvj3tD2s");
    q.knownHostsFile = QStringLiteral("/home/lee/.ssh/known_hosts");
    struct Case {
        const char *what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool changed;
        HostKeyChoice expected;
    };
    const Case cases[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, false, HostKeyChoice::Cancel},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, false, HostKeyChoice::Cancel},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, false, HostKeyChoice::Cancel},
        {"Space", Qt::Key_Space, Qt::NoModifier, false, HostKeyChoice::Cancel},
        {"Alt+O", Qt::Key_O, Qt::AltModifier, false, HostKeyChoice::AcceptOnce},
        {"Alt+T", Qt::Key_T, Qt::AltModifier, false, HostKeyChoice::AcceptAlways},
        {"changed, Enter", Qt::Key_Return, Qt::NoModifier, true, HostKeyChoice::Cancel},
        {"changed, Alt+O", Qt::Key_O, Qt::AltModifier, true, HostKeyChoice::Cancel},
        {"changed, Alt+T", Qt::Key_T, Qt::AltModifier, true, HostKeyChoice::Cancel},
        {"changed, Escape", Qt::Key_Escape, Qt::NoModifier, true, HostKeyChoice::Cancel},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        q.changed = c.changed;
        QString details, warning, style;
        int acceptButtons = -1;
        bool shown = false;
        whenModal([&](QWidget *w) {
            shown = QTest::qWaitForWindowActive(w);
            details = w->findChild<QLabel *>(QStringLiteral("L_Details"))->text();
            if (auto *red = w->findChild<QLabel *>(QStringLiteral("L_Warning"))) {
                warning = red->text();
                style = red->styleSheet();
            }
            acceptButtons = int(w->findChildren<QPushButton *>(QStringLiteral("BB_AcceptOnce")).size()
                                + w->findChildren<QPushButton *>(QStringLiteral("BB_AcceptAlways")).size());
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : w, c.key, c.modifiers);
            // A key that did nothing must not leave the test waiting.
            if (QApplication::activeModalWidget() == w && c.expected == HostKeyChoice::Cancel && c.changed
                && c.key != Qt::Key_Return && c.key != Qt::Key_Escape)
                static_cast<QDialog *>(w)->reject();
        });
        EXPECT_EQ(qt->hostKeyQuestion(nullptr, q), c.expected);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(details.contains(q.fingerprint)) << details.toStdString();
        EXPECT_TRUE(details.contains(q.keyType));
        EXPECT_TRUE(details.contains(q.host));
        EXPECT_EQ(acceptButtons, c.changed ? 0 : 2);
        EXPECT_EQ(!warning.isEmpty(), c.changed);
        if (c.changed) {
            EXPECT_TRUE(style.contains(QStringLiteral("red")));
            EXPECT_TRUE(warning.contains(q.knownHostsFile));
        }
    }
}
