#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include "unprivileged.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using kav::IniFile;

IniFile fromText(const QString &text)
{
    IniFile ini;
    ini.setText(text);
    return ini;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

using kavtest::runUnprivileged;

QString joined(const IniFile &ini) { return ini.lines().join(QLatin1Char('\n')); }

const char *const Sample =
    "; Kavrin settings\n"
    "[LOGIN]\n"
    "HostName=Work\n"
    "  Timeout =  30  \n"
    "Editor=\"  C:\\Tools\\ed.exe \"\n"
    "Quote=\"\n"
    "Half=\"abc\n"
    "Empty=\n"
    "Dup=first\n"
    "dup=second\n"
    "not a key line\n"
    "\n"
    "[config]\n"
    "AutoCheck=1\n"
    "Hex=0x1F\n";

TEST(IniFileRead, StringsCaseDefaultsTrimAndQuotes)
{
    const IniFile ini = fromText(QString::fromLatin1(Sample));
    struct Case {
        const char *section, *key, *def, *expected;
    } cases[] = {
        {"LOGIN", "HostName", "x", "Work"},
        {"login", "HOSTNAME", "x", "Work"},          // letter case ignored
        {"LOGIN", "Timeout", "x", "30"},             // key and value trimmed
        {"LOGIN", "Editor", "x", "  C:\\Tools\\ed.exe "},  // matching quotes removed
        {"LOGIN", "Quote", "x", "\""},               // a lone quote stays
        {"LOGIN", "Half", "x", "\"abc"},             // unmatched quotes stay
        {"LOGIN", "Empty", "x", ""},                 // present but empty: not the default
        {"LOGIN", "Dup", "x", "first"},              // the first of two keys counts
        {"LOGIN", "Missing", "dflt", "dflt"},
        {"NOSECTION", "HostName", "dflt", "dflt"},
        {"CONFIG", "AutoCheck", "x", "1"},
        {"LOGIN", "AutoCheck", "dflt", "dflt"},      // keys belong to their section
        {"LOGIN", "not a key line", "dflt", "dflt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ini.readString(c.section, c.key, c.def), QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
}

// GetPrivateProfileInt: leading digits count, "0x" means hexadecimal, a value that
// does not start with a digit gives the default.
TEST(IniFileRead, Integers)
{
    struct Case {
        const char *value;
        int expected;
    } cases[] = {
        {"15", 15},   {"  42  ", 42}, {"0", 0},        {"-5", -5},     {"+7", 7},
        {"0x1F", 31}, {"0X1f", 31},   {"0xff", 255},   {"0x", 0},      {"0x1G", 1},
        {"12abc", 12}, {"abc", -1},   {"", -1},        {"x12", -1},    {"-", -1},
        {" 3 4", 3},  {"007", 7},     {"\"9\"", 9},    {"１２", -1},   // full-width digits are no digits
    };
    for (const Case &c : cases) {
        const IniFile ini = fromText(QStringLiteral("[S]\nK=") + QString::fromUtf8(c.value));
        EXPECT_EQ(ini.readInt("S", "K", -1), c.expected) << c.value;
    }
    const IniFile ini = fromText(QStringLiteral("[S]\nK=1\n"));
    EXPECT_EQ(ini.readInt("S", "Missing", 15), 15);
}

TEST(IniFileRead, Booleans)
{
    const IniFile ini = fromText(QStringLiteral("[S]\nA=1\nB=0\nC=2\nD=yes\nE=0x10\nF=-1\n"));
    EXPECT_TRUE(ini.readBool("S", "A", false));
    EXPECT_FALSE(ini.readBool("S", "B", true));
    EXPECT_TRUE(ini.readBool("S", "C", false));
    EXPECT_TRUE(ini.readBool("S", "D", true));    // not a number: the default
    EXPECT_FALSE(ini.readBool("S", "D", false));
    EXPECT_TRUE(ini.readBool("S", "E", false));
    EXPECT_TRUE(ini.readBool("S", "F", false));
    EXPECT_TRUE(ini.readBool("S", "Missing", true));
}

// At most 2047 bytes of a value come back, counted as the file stores them, and no
// character is cut in half.
TEST(IniFileRead, ValuesAreCutAt2047Bytes)
{
    struct Case {
        QString value;
        QString expected;
    } cases[] = {
        {QString(3000, 'a'), QString(2047, 'a')},
        {QString(2047, 'a'), QString(2047, 'a')},
        {QString(1500, QChar(0xAC00)), QString(1023, QChar(0xAC00))},  // 2 bytes each
        {QStringLiteral("a") + QString(1100, QChar(0xAC00)), QStringLiteral("a") + QString(1023, QChar(0xAC00))},
        {QString(2046, 'a') + QChar(0xAC00), QString(2046, 'a')},       // no half character
        {QString(2045, 'a') + QStringLiteral("\U0001F600"), QString(2045, 'a')},  // 4-byte emoji
        {QString(2043, 'a') + QStringLiteral("\U0001F600") + 'b', QString(2043, 'a') + QStringLiteral("\U0001F600")},
    };
    for (const Case &c : cases) {
        IniFile ini;
        ASSERT_TRUE(ini.writeString("S", "K", c.value));
        EXPECT_EQ(ini.readString("S", "K"), c.expected) << c.value.size();
    }
}

TEST(IniFileRead, LineEndsAndListings)
{
    const QString text = QStringLiteral(
        "[IPADDRESS]\r\nHome=1.2.3.4;user;;/tmp\r\n; note\r\nwork=10.0.0.1\n\r\nAfter=x\r\n[Next]\nA=1");
    const IniFile ini = fromText(text);
    EXPECT_EQ(ini.readString("ipaddress", "WORK"), "10.0.0.1");
    EXPECT_EQ(ini.readString("Next", "A"), "1");
    const QStringList lines = ini.sectionLines("IPADDRESS");
    EXPECT_EQ(lines, (QStringList{"Home=1.2.3.4;user;;/tmp", "; note", "work=10.0.0.1", "", "After=x"}));
    const auto entries = ini.entries("ipaddress");
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].key, "Home");
    EXPECT_EQ(entries[0].value, "1.2.3.4;user;;/tmp");
    EXPECT_EQ(entries[1].key, "work");  // as written
    EXPECT_EQ(entries[2].key, "After");
    EXPECT_TRUE(ini.entries("Missing").isEmpty());
    EXPECT_TRUE(ini.sectionLines("Missing").isEmpty());
    EXPECT_TRUE(ini.hasSection("next"));
    EXPECT_TRUE(ini.hasKey("NEXT", "a"));
    EXPECT_FALSE(ini.hasKey("Next", "B"));
}

TEST(IniFileWrite, PlacementOfKeysAndSections)
{
    struct Case {
        const char *name;
        const char *before;
        const char *section, *key, *value;
        const char *after;
    } cases[] = {
        {"replace in place, key spelling kept", "[A]\nkey=1\nB=2\n", "a", "KEY", "9",
         "[A]\nkey=9\nB=2"},
        {"blanks around a replaced key go", "[A]\n  Key = 1\nB=2\n", "A", "key", "9", "[A]\nKey=9\nB=2"},
        {"append after the last key, before blanks", "[A]\nx=1\n\n\n[B]\ny=2\n", "A", "z", "3",
         "[A]\nx=1\nz=3\n\n\n[B]\ny=2"},
        {"after the last key, not after a trailing comment", "[A]\nx=1\n; about B\n[B]\n", "A",
         "z", "3", "[A]\nx=1\nz=3\n; about B\n[B]"},
        {"section without keys: right after its header", "[A]\n\n[B]\ny=2\n", "A", "z", "3",
         "[A]\nz=3\n\n[B]\ny=2"},
        {"last section", "[A]\nx=1\n", "A", "z", "3", "[A]\nx=1\nz=3"},
        {"new section at the end", "[A]\nx=1\n\n", "New", "k", "v", "[A]\nx=1\n\n[New]\nk=v"},
        {"empty file", "", "LOGIN", "HostName", "", "[LOGIN]\nHostName="},
        {"comments and unknown lines kept", "; top\n[A]\ngarbage\nx=1\n", "A", "x", "2",
         "; top\n[A]\ngarbage\nx=2"},
        {"line breaks in a value stay on the line", "[A]\n", "A", "k", "a\r\nb\nc",
         "[A]\nk=a  b c"},
        {"first of duplicate sections", "[A]\nx=1\n[B]\n[a]\ny=2\n", "A", "y", "3",
         "[A]\nx=1\ny=3\n[B]\n[a]\ny=2"},
    };
    for (const Case &c : cases) {
        IniFile ini = fromText(QString::fromUtf8(c.before));
        EXPECT_TRUE(ini.writeString(c.section, c.key, QString::fromUtf8(c.value))) << c.name;
        EXPECT_EQ(joined(ini), QString::fromUtf8(c.after)) << c.name;
    }
}

TEST(IniFileWrite, IntegersBooleansAndRefusedNames)
{
    IniFile ini;
    ini.writeInt("CONFIG", "LocalSplitter", -12);
    ini.writeBool("CONFIG", "StayOnTop", true);
    ini.writeBool("CONFIG", "DropFiles", false);
    EXPECT_EQ(joined(ini), "[CONFIG]\nLocalSplitter=-12\nStayOnTop=1\nDropFiles=0");
    EXPECT_EQ(ini.readInt("config", "localsplitter", 0), -12);

    const struct {
        const char *section, *key;
    } refused[] = {{"S", ""}, {"S", "a=b"}, {"S", "[x"}, {"S", ";x"}, {"S", "a\nb"},
                   {"", "k"}, {"a]b", "k"}, {"a\nb", "k"}, {"S", "   "}};
    for (const auto &r : refused)
        EXPECT_FALSE(ini.writeString(r.section, r.key, "v")) << r.section << "/" << r.key;
    EXPECT_EQ(joined(ini), "[CONFIG]\nLocalSplitter=-12\nStayOnTop=1\nDropFiles=0");
}

TEST(IniFileWrite, DeleteKeysAndSections)
{
    IniFile ini = fromText(QStringLiteral("[BOOKMARK]\n0=a\n1=b\n2=c\n\n[TOOLS]\n0=t\n"));
    EXPECT_TRUE(ini.removeKey("bookmark", "1"));
    EXPECT_FALSE(ini.removeKey("bookmark", "1"));
    EXPECT_FALSE(ini.removeKey("nothing", "1"));
    EXPECT_EQ(ini.readString("BOOKMARK", "1", "gone"), "gone");
    EXPECT_EQ(joined(ini), "[BOOKMARK]\n0=a\n2=c\n\n[TOOLS]\n0=t");
    EXPECT_TRUE(ini.removeSection("Bookmark"));
    EXPECT_FALSE(ini.hasSection("BOOKMARK"));
    EXPECT_EQ(joined(ini), "[TOOLS]\n0=t");
}

class IniFileDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("KAVRIN.INI");
    }
    QStringList leftovers() const
    {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("KAVRIN.INI.");
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(IniFileDisk, LoadTellsMissingReadAndUnreadableApart)
{
    IniFile ini(path);
    EXPECT_EQ(ini.load(), IniFile::LoadResult::Missing);

    writeBytes(path, "[LOGIN]\r\nHostName=x\r\n");
    EXPECT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readString("LOGIN", "HostName"), "x");

    // A directory in the file's place cannot be read (works even with root rights).
    IniFile dirIni(dir.filePath("sub"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    EXPECT_EQ(dirIni.load(), IniFile::LoadResult::Unreadable);
}

TEST_F(IniFileDisk, UnreadableFileIsNeverReplaced)
{
    const QByteArray old = "[LOGIN]\r\nHostName=keep\r\n";
    writeBytes(path, old);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
    const int result = runUnprivileged(dir.path(), [&] {
        IniFile ini(path);
        if (ini.load() != IniFile::LoadResult::Unreadable)
            return 1;
        ini.writeString("LOGIN", "HostName", "first run");
        if (ini.save() || ini.errorString().isEmpty())
            return 2;
        return 0;
    });
    EXPECT_EQ(result, 0);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    EXPECT_EQ(readBytes(path), old);
}

TEST_F(IniFileDisk, WritesCodePage949WithCrLfByteExact)
{
    IniFile ini(path);
    ini.writeString("LOGIN", "HostName", QStringLiteral("회사"));
    ini.writeInt("LOGIN", "Timeout", 15);
    ini.writeString("IPADDRESS", QStringLiteral("회사"), QStringLiteral("10.0.0.1;똠;/홈"));
    ASSERT_TRUE(ini.save()) << ini.errorString().toStdString();
    const QByteArray expected = QByteArray("[LOGIN]\r\nHostName=")
                                + QByteArray::fromHex("c8b8bbe7")
                                + "\r\nTimeout=15\r\n[IPADDRESS]\r\n"
                                + QByteArray::fromHex("c8b8bbe7") + "=10.0.0.1;"
                                + QByteArray::fromHex("8c63") + ";/" + QByteArray::fromHex("c8a8")
                                + "\r\n";
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_TRUE(leftovers().isEmpty());

    IniFile back(path);
    ASSERT_EQ(back.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(back.readString("IPADDRESS", QStringLiteral("회사")), QStringLiteral("10.0.0.1;똠;/홈"));
    EXPECT_EQ(back.entries("IPADDRESS").at(0).key, QStringLiteral("회사"));
}

TEST_F(IniFileDisk, ForeignBytesSurviveLoadAndSave)
{
    // A Latin-1 name and a stray byte: not CP949, still written back as they were.
    const QByteArray bytes = "; caf\xE9\r\n[BOOKMARK]\r\n0=/tmp/\x80x\r\n";
    writeBytes(path, bytes);
    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readBytes(path), bytes);
}

TEST_F(IniFileDisk, TextWithoutCp949FormIsWrittenAsUtf8WithBom)
{
    IniFile ini(path);
    ini.writeString("BOOKMARK", "0", QStringLiteral("/home/me/café/파일"));
    ini.writeString("BOOKMARK", "1", QStringLiteral("😀"));
    ini.writeString("BOOKMARK", "2", QString(QChar(0xDC80)));  // an escaped byte
    // U+1F480: its low surrogate (U+DC80) is a character's half, not an escaped byte.
    ini.writeString("BOOKMARK", "3", QStringLiteral("💀"));
    EXPECT_TRUE(ini.needsUtf8());
    ASSERT_TRUE(ini.save());
    const QByteArray expected = QByteArray("\xEF\xBB\xBF") + "[BOOKMARK]\r\n0="
                                + QStringLiteral("/home/me/café/파일").toUtf8() + "\r\n1="
                                + QStringLiteral("😀").toUtf8() + "\r\n2=\x80\r\n3=\xF0\x9F\x92\x80\r\n";
    EXPECT_EQ(readBytes(path), expected);

    IniFile back(path);
    ASSERT_EQ(back.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(back.readString("BOOKMARK", "0"), QStringLiteral("/home/me/café/파일"));
    EXPECT_EQ(back.readString("BOOKMARK", "1"), QStringLiteral("😀"));
    EXPECT_EQ(back.readString("BOOKMARK", "2"), QString(QChar(0xDC80)));
    EXPECT_EQ(back.readString("BOOKMARK", "3"), QStringLiteral("💀"));
    EXPECT_EQ(back.lines().first(), "[BOOKMARK]");  // the mark is not part of the text

    // Once every text fits the code page again, the file goes back to it.
    back.removeKey("BOOKMARK", "0");
    back.removeKey("BOOKMARK", "1");
    back.removeKey("BOOKMARK", "3");
    ASSERT_TRUE(back.save());
    EXPECT_EQ(readBytes(path), QByteArray("[BOOKMARK]\r\n2=\x80\r\n"));
}

TEST_F(IniFileDisk, FileIsOwnerOnly)
{
    writeBytes(path, "[A]\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    ini.writeString("PASSWORD", "host", "123456");
    ASSERT_TRUE(ini.save());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    const QString fresh = dir.filePath("new.ini");
    IniFile created(fresh);
    created.writeString("A", "b", "c");
    ASSERT_TRUE(created.save());
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(IniFileDisk, FailedSaveLeavesTheOldFile)
{
    const QByteArray old = "[LOGIN]\r\nHostName=old\r\n";
    writeBytes(path, old);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0500), 0);
    const int result = runUnprivileged(dir.path(), [&] {
        IniFile ini(path);
        if (ini.load() != IniFile::LoadResult::Loaded)
            return 1;
        ini.writeString("LOGIN", "HostName", "new");
        if (ini.save() || ini.errorString().isEmpty())
            return 2;
        return 0;
    });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_TRUE(leftovers().isEmpty());

    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    ini.writeString("LOGIN", "HostName", "new");
    EXPECT_TRUE(ini.save());
    EXPECT_EQ(readBytes(path), QByteArray("[LOGIN]\r\nHostName=new\r\n"));
}

TEST_F(IniFileDisk, FailedRenameCleansUp)
{
    // A directory where the file should go: the rename fails even with root rights.
    ASSERT_TRUE(QDir(dir.path()).mkpath("KAVRIN.INI/inside"));
    IniFile ini(path);
    ini.writeString("A", "b", "c");
    EXPECT_FALSE(ini.save());
    EXPECT_TRUE(QFileInfo(dir.filePath("KAVRIN.INI/inside")).isDir());
    EXPECT_TRUE(leftovers().isEmpty());

    IniFile nowhere(dir.filePath("no/such/dir/KAVRIN.INI"));
    nowhere.writeString("A", "b", "c");
    EXPECT_FALSE(nowhere.save());
}

TEST_F(IniFileDisk, LinkedFileStaysLinked)
{
    const QString real = dir.filePath("dotfiles.ini");
    writeBytes(real, "[A]\r\nx=1\r\n");
    ASSERT_TRUE(QFile::link(real, path));
    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    ini.writeString("A", "x", "2");
    ASSERT_TRUE(ini.save());
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(readBytes(real), QByteArray("[A]\r\nx=2\r\n"));
}

TEST_F(IniFileDisk, LfFilesAreReadAndWrittenBackWithCrLf)
{
    writeBytes(path, "[A]\nx=1\n\n[B]\r\ny=2");
    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readString("A", "x"), "1");
    EXPECT_EQ(ini.readString("B", "y"), "2");
    ini.writeString("A", "z", "3");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readBytes(path), QByteArray("[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"));
}

// A value as held in memory: every escaped byte a lone U+DC00+byte.
QString escaped(const char *bytes)
{
    QString out;
    for (const char *p = bytes; *p; ++p)
        out += QChar(char16_t(0xDC00 + static_cast<unsigned char>(*p)));
    return out;
}

TEST_F(IniFileDisk, EveryValueComesBackExactly)
{
    // Values a program can hold; each case is saved once in a code page 949 file
    // and once in a UTF-8 file (forced by a character that code page lacks).
    struct Case {
        const char *name;
        QString value;
        QByteArray cp949Line;   // the line as written to a code page 949 file
    };
    const QList<Case> cases = {
        {"plain", QStringLiteral("/pub/자료"), "0=/pub/" + QByteArray::fromHex("c0dab7e1")},
        {"a CP949 name from a UTF-8 server", escaped("\xB0\xA1\xB3\xAA") + ".txt",
         "0={bytes}%B0%A1%B3%AA.txt"},
        {"a lone byte survives as it is", "/tmp/" + escaped("\x80") + "x", "0=/tmp/\x80x"},
        {"escapes that form UTF-8", escaped("\xC2\x80"), "0=\xC2\x80"},
        {"escapes beside Hangul, blanks and percent", QStringLiteral("가 100%") + escaped("\xB0\xA1") + " x",
         "0={bytes}" + QByteArray::fromHex("b0a1") + "%20100%25%B0%A1%20x"},
        // A read trims blanks and takes off quotes: such values go in quotes.
        {"a blank at the end, beside escapes", QStringLiteral("가 ") + escaped("\xB0\xA1") + " ",
         "0={bytes}\"" + QByteArray::fromHex("b0a1") + "%20%B0%A1%20\""},
        {"blanks at both ends", QStringLiteral(" /data/a b\t"), "0=\" /data/a b\t\""},
        {"a plain value that looks marked", QStringLiteral("{bytes}%41"), "0={bytes}{bytes}%2541"},
        {"a quoted value", QStringLiteral("\"a b\""), "0=\"\"a b\"\""},
        {"a quote at one end only", QStringLiteral("\"a b"), "0=\"a b"},
        // The list codecs' field separator kept inside a field.
        {"a low escape", QStringLiteral("/data/a") + QChar(0xDC3B) + QStringLiteral("b"), "0={bytes}/data/a%%3Bb"},
        {"a low escape beside a byte that would pair", QStringLiteral("가") + QChar(0xDC3B) + escaped("\xB0"),
         "0={bytes}" + QByteArray::fromHex("b0a1") + "%%3B%B0"},
        {"emoji", QStringLiteral("file💀💋💎💕💯.txt"), ""},
        // 💀 ends in U+DC80, the half of a pair and not an escaped byte: marked
        // beside real escapes, it stays whole.
        {"escapes beside an emoji", escaped("\xC2\x80") + QStringLiteral("💀") + escaped("\xB0\xA1"),
         ""},
    };
    for (const Case &c : cases) {
        for (const bool forceUtf8 : {false, true}) {
            IniFile ini(path);
            ini.writeString("LASTFILE", "0", c.value);
            if (forceUtf8)
                ini.writeString("OTHER", "x", QStringLiteral("😀"));
            const QString held = ini.readString("LASTFILE", "0");
            EXPECT_EQ(held, c.value) << c.name;
            ASSERT_TRUE(ini.save()) << c.name;
            if (!forceUtf8 && !c.cp949Line.isEmpty())
                EXPECT_EQ(readBytes(path), "[LASTFILE]\r\n" + c.cp949Line + "\r\n") << c.name;
            IniFile back(path);
            ASSERT_EQ(back.load(), IniFile::LoadResult::Loaded);
            EXPECT_EQ(back.readString("LASTFILE", "0"), held) << c.name << (forceUtf8 ? " (UTF-8)" : "");
            EXPECT_EQ(back.lines(), ini.lines()) << c.name;
            // And once more: the second save writes the same bytes.
            const QByteArray first = readBytes(path);
            ASSERT_TRUE(back.save());
            EXPECT_EQ(readBytes(path), first) << c.name;
        }
    }
}

TEST_F(IniFileDisk, AUtf8FileWithInvalidBytesStaysAsItWas)
{
    const QByteArray bytes = "\xEF\xBB\xBF[LASTFILE]\r\n0=/tmp/\xB0\xA1\xB3\xAA.txt\r\n1=/ok\r\n";
    writeBytes(path, bytes);
    IniFile ini(path);
    ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
    EXPECT_EQ(ini.readString("LASTFILE", "0"), "/tmp/" + escaped("\xB0\xA1\xB3\xAA") + ".txt");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readBytes(path), bytes);
}

// Files as found: load -> save -> load gives back every line, and a second save
// the same bytes. Keys cannot be marked, so a key whose bytes would pair into
// another character keeps the file in its encoding.
TEST_F(IniFileDisk, FilesComeBackAsTheyWereRead)
{
    const struct {
        const char *name;
        QByteArray bytes;
    } files[] = {
        {"a UTF-8 file with invalid bytes in a value", "\xEF\xBB\xBF[LASTFILE]\r\n0=/tmp/\xB0\xA1\xB3\xAA.txt\r\n"},
        {"a UTF-8 file whose key holds a byte that pairs in code page 949, beside a low escape",
         "\xEF\xBB\xBF[S]\r\nk\xB1" "A={bytes}%%3B\r\n"},
        {"the same key beside a plain value", "\xEF\xBB\xBF[S]\r\nk\xB1" "A=1\r\n"},
        {"a key of bytes that form UTF-8 in a code page 949 file", "[S]\r\n\xC2\x80=1\r\n"},
        {"a lone byte in a key, code page 949", "[S]\r\nk\x80=1\r\n"},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        writeBytes(path, f.bytes);
        IniFile ini(path);
        ASSERT_EQ(ini.load(), IniFile::LoadResult::Loaded);
        ASSERT_TRUE(ini.save());
        IniFile back(path);
        ASSERT_EQ(back.load(), IniFile::LoadResult::Loaded);
        EXPECT_EQ(back.lines(), ini.lines());
        const QByteArray first = readBytes(path);
        ASSERT_TRUE(back.save());
        EXPECT_EQ(readBytes(path), first);
    }
}

} // namespace
