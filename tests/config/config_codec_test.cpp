// The pure parts of the configuration file: field extraction, the password
// scrambler, the list sections, the profile lines and the extension list.

#include "config/configuration_file.h"
#include "config/extract_field.h"
#include "config/password_scrambler.h"
#include "config/stored_lists.h"
#include "platform/cp949.h"
#include "platform/ini_file.h"
#include "platform/local_path.h"
#include "config/ascii_extensions.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {

QString iniText(std::initializer_list<const char *> lines)
{
    QString out;
    for (const char *l : lines)
        out += QString::fromUtf8(l) + QLatin1Char('\n');
    return out;
}

} // namespace

TEST(ExtractField, Table)
{
    struct Row { const char *text; int n; const char *expected; };
    const Row rows[] = {
        {"a;b;c", 1, "a"},       {"a;b;c", 2, "b"},   {"a;b;c", 3, "c"},      {"a;b;c", 4, ""},
        {"a;;c", 2, ""},         {"a;;c", 3, "c"},    {"a;b;", 3, ""},        {"a;b;", 2, "b"},
        {";a", 1, ""},           {";a", 2, "a"},      {"abc", 1, "abc"},      {"abc", 2, ""},
        {"", 1, ""},             {";", 1, ""},        {";", 2, ""},           {";", 3, ""},
        {"a;b", 0, ""},          {"a;b", -1, ""},     {"서버;경로", 2, "경로"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(ExtractField(QString::fromUtf8(r.text), QLatin1Char(';'), r.n), QString::fromUtf8(r.expected))
            << r.text << " field " << r.n;
}

TEST(PasswordScrambler, StoredFormsAreFixed)
{
    // These digits are what every saved KAVRIN.INI holds: they must never change.
    struct Row { const char *password; const char *digits; };
    const Row rows[] = {
        {"", ""},
        {"a", "042"},
        {"secret", "056173223143149020"},
        {"비밀번호1", "241005098108247014160069063"},
        {"똠방각하", "199116190015248025038119"},  // an extended code page 949 syllable first
    };
    for (const Row &r : rows) {
        const QString password = QString::fromUtf8(r.password);
        EXPECT_EQ(ScramblePassword(password), QString::fromLatin1(r.digits)) << r.password;
        EXPECT_EQ(UnscramblePassword(QString::fromLatin1(r.digits)), password) << r.password;
    }
}

TEST(PasswordScrambler, RoundTripAndLimits)
{
    QString every;
    for (int c = 0x20; c < 0x7F; ++c)
        every += QChar(c);
    for (const QString &p : {every, QStringLiteral("한글 암호 with spaces;=[]"), QString(MaxPasswordBytes, QLatin1Char('x')),
                             QString(MaxPasswordBytes / 2, QChar(0xD55C))}) {
        const QString digits = ScramblePassword(p);
        EXPECT_EQ(digits.size(), passwordByteLength(p) * 3);
        for (QChar c : digits)
            ASSERT_TRUE(c.isDigit());
        EXPECT_EQ(UnscramblePassword(digits), p);
    }
    // Beyond the limit the stored form would be cut on reading: nothing is stored.
    EXPECT_TRUE(ScramblePassword(QString(MaxPasswordBytes + 1, QLatin1Char('x'))).isEmpty());
    // A character without a code page 949 form would come back as "?": not stored either.
    EXPECT_TRUE(ScramblePassword(QStringLiteral("p\U0001F3B5")).isEmpty());
    // The stored form of the longest password still reads back through the 2048-byte limit.
    IniFile ini;
    const QString longest = QString(MaxPasswordBytes, QLatin1Char('z'));
    ini.writeString(QStringLiteral("PASSWORD"), QStringLiteral("p"), ScramblePassword(longest));
    IniFile reread;
    reread.setText(QString::fromUtf8(ini.toBytes()));
    EXPECT_EQ(UnscramblePassword(reread.readString(QStringLiteral("PASSWORD"), QStringLiteral("p"))), longest);
}

TEST(PasswordScrambler, DamagedDigitsDecodeWithoutFailing)
{
    // A short last group and groups that are not numbers still give one byte each.
    EXPECT_EQ(UnscramblePassword(QStringLiteral("04")).size(), 1);
    EXPECT_EQ(cp949::encode(UnscramblePassword(QStringLiteral("abc042xyz"))).size(), 3);
    EXPECT_EQ(UnscramblePassword(QStringLiteral("042")), QStringLiteral("a"));
    // 298 is taken modulo 256 (42).
    EXPECT_EQ(UnscramblePassword(QStringLiteral("298")), QStringLiteral("a"));
}

TEST(StoredLists, NumberedKeysStopAtFirstEmptyValueAndSaveDeletesLeftovers)
{
    IniFile ini;
    ini.setText(iniText({"[BOOKMARK]", "0=/home/a", "1=/home/b", "3=/home/d", "[TOOLS]", "0=/usr/bin/x", "1=",
                         "2=/usr/bin/z"}));
    const QStringList bookmarks = readLocalBookmarks(ini);
    EXPECT_EQ(bookmarks, (QStringList{QStringLiteral("/home/a"), QStringLiteral("/home/b")}));
    EXPECT_EQ(readTools(ini), QStringList{QStringLiteral("/usr/bin/x")});

    writeLocalBookmarks(ini, bookmarks);
    EXPECT_TRUE(ini.hasKey(QStringLiteral("BOOKMARK"), QStringLiteral("1")));
    for (int i = 2; i < LocalBookmarkCapacity; ++i)
        ASSERT_FALSE(ini.hasKey(QStringLiteral("BOOKMARK"), QString::number(i))) << i;

    writeTools(ini, {});
    EXPECT_TRUE(ini.entries(QStringLiteral("TOOLS")).isEmpty());
}

TEST(StoredLists, CapacityBoundsReadingAndWriting)
{
    IniFile ini;
    QStringList many;
    for (int i = 0; i < ToolsCapacity + 5; ++i)
        many << QStringLiteral("/t%1").arg(i);
    writeTools(ini, many);
    EXPECT_EQ(ini.entries(QStringLiteral("TOOLS")).size(), ToolsCapacity);
    EXPECT_EQ(readTools(ini).size(), ToolsCapacity);
}

TEST(StoredLists, HostEntryCodecs)
{
    struct BRow { const char *value; const char *text; bool binary; const char *stored; };
    const BRow marks[] = {
        {"/pub/readme.txt;A", "/pub/readme.txt", false, "/pub/readme.txt;A"},
        {"/pub/a.zip;B", "/pub/a.zip", true, "/pub/a.zip;B"},
        {"▶ 자료실;B", "▶ 자료실", true, "▶ 자료실;B"},
        {"/pub/odd;x", "/pub/odd", false, "/pub/odd;A"},   // only "B" forces binary
        {"/pub/bare", "/pub/bare", false, "/pub/bare;A"},
    };
    for (const BRow &r : marks) {
        const HostBookmark b = decodeHostBookmark(QString::fromUtf8(r.value));
        EXPECT_EQ(b.text, QString::fromUtf8(r.text));
        EXPECT_EQ(b.binary, r.binary) << r.value;
        EXPECT_EQ(encodeHostBookmark(b), QString::fromUtf8(r.stored));
    }

    struct QRow { const char *value; QueueEntry entry; const char *stored; };
    const QRow queue[] = {
        {"/home/u/a.txt;/pub;A;0", {"/home/u/a.txt", "/pub", false, true}, "/home/u/a.txt;/pub;A;0"},
        {"/pub/b.bin;/home/u;B;1", {"/pub/b.bin", "/home/u", true, false}, "/pub/b.bin;/home/u;B;1"},
        {"/pub/c;/home/u;a;7", {"/pub/c", "/home/u", true, false}, "/pub/c;/home/u;B;1"},  // "a" is not "A"
    };
    for (const QRow &r : queue) {
        EXPECT_EQ(decodeQueueEntry(QString::fromUtf8(r.value)), r.entry) << r.value;
        EXPECT_EQ(encodeQueueEntry(r.entry), QString::fromUtf8(r.stored));
    }
}

TEST(StoredLists, ProfileKeysHaveNoSeparatorSoA10IsShared)
{
    IniFile ini;
    QList<HostBookmark> eleven;
    for (int i = 0; i < 11; ++i)
        eleven << HostBookmark{QStringLiteral("/a/%1").arg(i), false};
    writeHostBookmarks(ini, QStringLiteral("a"), eleven);
    EXPECT_EQ(ini.readString(QStringLiteral("RBOOKMARK"), QStringLiteral("a10")), QStringLiteral("/a/10;A"));
    // Profile "a1" entry 0 reads the same key.
    const QList<HostBookmark> ofA1 = readHostBookmarks(ini, QStringLiteral("a1"));
    ASSERT_FALSE(ofA1.isEmpty());
    EXPECT_EQ(ofA1.first().text, QStringLiteral("/a/10"));
    // Saving "a1" with no entries deletes a10..a1499, and so entry 10 of "a".
    writeHostBookmarks(ini, QStringLiteral("a1"), {});
    EXPECT_EQ(readHostBookmarks(ini, QStringLiteral("a")).size(), 10);
}

TEST(ProfileLines, FormsOfTheValue)
{
    IniFile ini;
    ini.setText(iniText({
        "[LOGIN]", "HostName=IPADDRESS lab",  // a value naming the section is no header
        "[IPADDRESS]",
        "host=1.2.3.4;;;/home/u/내 문서",
        "bare=1.2.3.4",
        "noequals",
        "=1.2.3.5;anonymous",
        "full=ftp.example.org;kim;/pub;/home/kim;/home/kim/dl;a.txt;/pub/x;b.tgz",
        "",
        "afterblank=9.9.9.9",
        "[PASSWORD]", "host=042",
    }));
    const QList<ProfileEntry> p = readProfiles(ini);
    ASSERT_EQ(p.size(), 3);
    EXPECT_EQ(p[0].HostName, QStringLiteral("host"));
    EXPECT_EQ(p[0].HostIP, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(p[0].UserId, QString());
    EXPECT_EQ(p[0].RemotePath, QString());
    EXPECT_EQ(p[0].LocalPath, QStringLiteral("/home/u/내 문서"));
    EXPECT_EQ(p[0].LastLocalDir + p[0].LastLocalFile + p[0].LastHostDir + p[0].LastHostFile, QString());
    EXPECT_EQ(p[0].Password, QStringLiteral("a"));
    EXPECT_EQ(p[1].HostName, QStringLiteral("bare"));
    EXPECT_EQ(p[1].HostIP, QStringLiteral("1.2.3.4"));
    EXPECT_EQ(profileValue(p[1]), QStringLiteral("1.2.3.4;;;;;;;"));
    EXPECT_EQ(p[2].LastHostFile, QStringLiteral("b.tgz"));
    EXPECT_EQ(p[2].LastLocalFile, QStringLiteral("a.txt"));
    EXPECT_EQ(p[2].Password, QString());
}

TEST(ProfileLines, LongValuesAreNotCutAt255)
{
    IniFile ini;
    ProfileEntry e;
    e.HostName = QStringLiteral("deep");
    e.HostIP = QStringLiteral("10.0.0.1");
    e.LocalPath = QStringLiteral("/home/u/") + QString(300, QLatin1Char('d'));
    e.LastLocalDir = e.LocalPath + QStringLiteral("/sub");
    writeProfileLine(ini, e);
    IniFile reread;
    reread.setText(QString::fromUtf8(ini.toBytes()));
    const QList<ProfileEntry> p = readProfiles(reread);
    ASSERT_EQ(p.size(), 1);
    EXPECT_EQ(p[0].LocalPath, e.LocalPath);
    EXPECT_EQ(p[0].LastLocalDir, e.LastLocalDir);
}

// The connection options follow the eighth field. A value without them (every
// file written before they existed) means the defaults and is written back
// exactly as it was; options that differ survive a save; fields a reader
// cannot use fall back to their defaults.
TEST(ProfileLines, ConnectionOptionsAfterTheEighthField)
{
    struct Row { const char *value; int port; DataMode mode; Security security; const char *trusted; const char *written; };
    const Row rows[] = {
        {"h;u;/;/l;/l;a;/;b", 21, DataMode::Active, Security::Plain, "", "h;u;/;/l;/l;a;/;b"},
        {"h;u;;;;;;", 21, DataMode::Active, Security::Plain, "", "h;u;;;;;;"},
        {"h;u;;;;;;;2121;passive;plain;", 2121, DataMode::Passive, Security::Plain, "", "h;u;;;;;;;2121;passive;plain;"},
        {"h;u;;;;;;;990;auto;tls;AB:CD", 990, DataMode::Automatic, Security::Tls, "AB:CD", "h;u;;;;;;;990;auto;tls;AB:CD"},
        {"h;u;;;;;;;21;active;plain;", 21, DataMode::Active, Security::Plain, "", "h;u;;;;;;"},
        {"h;u;;;;;;;0;sideways;rot13;", 21, DataMode::Active, Security::Plain, "", "h;u;;;;;;"},
        {"h;u;;;;;;;70000;PASSIVE", 21, DataMode::Passive, Security::Plain, "", "h;u;;;;;;;21;passive;plain;"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        const ProfileEntry e = profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.value));
        EXPECT_EQ(e.Connection.Port, r.port);
        EXPECT_EQ(e.Connection.Mode, r.mode);
        EXPECT_EQ(e.Connection.Encryption, r.security);
        EXPECT_EQ(e.Connection.TrustedCertificate, QString::fromUtf8(r.trusted));
        EXPECT_EQ(e.LastHostFile, profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.written)).LastHostFile);
        EXPECT_EQ(profileValue(e), QString::fromUtf8(r.written));
    }
}

// The protocol is the fourteenth field, written only for SFTP: an FTP profile
// is written as before, an SFTP one keeps every option, and a profile without
// a port of its own takes its protocol's.
TEST(ProfileLines, ProtocolAfterTheConnectionOptions)
{
    struct Row { const char *value; Protocol protocol; int port; DataMode mode; int offset; const char *written; };
    const Row rows[] = {
        {"h;u;;;;;;", Protocol::Ftp, 21, DataMode::Active, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;22;active;plain;;;sftp", Protocol::Sftp, 22, DataMode::Active, 0, "h;u;;;;;;;22;active;plain;;;sftp"},
        {"h;u;;;;;;;;;;;;SFTP", Protocol::Sftp, 22, DataMode::Active, 0, "h;u;;;;;;;22;active;plain;;;sftp"},
        {"h;u;;;;;;;2222;passive;plain;;;sftp", Protocol::Sftp, 2222, DataMode::Passive, 0, "h;u;;;;;;;2222;passive;plain;;;sftp"},
        {"h;u;;;;;;;22;active;plain;;540;sftp", Protocol::Sftp, 22, DataMode::Active, 540, "h;u;;;;;;;22;active;plain;;540;sftp"},
        {"h;u;;;;;;;21;active;plain;;;ftp", Protocol::Ftp, 21, DataMode::Active, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;-330;ftp", Protocol::Ftp, 21, DataMode::Active, -330, "h;u;;;;;;;21;active;plain;;-330"},
        {"h;u;;;;;;;2121;active;plain;;;gopher", Protocol::Ftp, 2121, DataMode::Active, 0, "h;u;;;;;;;2121;active;plain;"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        const ProfileEntry e = profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.value));
        EXPECT_EQ(e.Connection.Kind, r.protocol);
        EXPECT_EQ(e.Connection.Port, r.port);
        EXPECT_EQ(e.Connection.Mode, r.mode);
        EXPECT_EQ(e.Connection.ZoneOffset, r.offset);
        EXPECT_EQ(profileValue(e), QString::fromUtf8(r.written));
    }
}

// Browsing the panes together is the sixteenth field, written only when on;
// the fields before it stay, empty where they hold their defaults.
TEST(ProfileLines, BrowsingTogetherAfterTheProtocol)
{
    struct Row { const char *value; bool browse; Protocol protocol; const char *written; };
    const Row rows[] = {
        {"h;u;;;;;;", false, Protocol::Ftp, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;;;;browse", true, Protocol::Ftp, "h;u;;;;;;;21;active;plain;;;;;browse"},
        {"h;u;;;;;;;;;;;;ftp;;BROWSE", true, Protocol::Ftp, "h;u;;;;;;;21;active;plain;;;;;browse"},
        {"h;u;;;;;;;22;active;plain;;540;sftp;;browse", true, Protocol::Sftp, "h;u;;;;;;;22;active;plain;;540;sftp;;browse"},
        {"h;u;;;;;;;22;active;plain;;;sftp;;", false, Protocol::Sftp, "h;u;;;;;;;22;active;plain;;;sftp"},
        {"h;u;;;;;;;21;active;plain;;;ftp;;other", false, Protocol::Ftp, "h;u;;;;;;"},
        {"h;u;;;;;;;21;passive;plain;;;;4;browse", true, Protocol::Ftp, "h;u;;;;;;;21;passive;plain;;;;4;browse"},
        // Not in the fifteenth field: that one is the number of connections.
        {"h;u;;;;;;;21;active;plain;;;ftp;browse", false, Protocol::Ftp, "h;u;;;;;;"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        const ProfileEntry e = profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.value));
        EXPECT_EQ(e.Connection.BrowseTogether, r.browse);
        EXPECT_EQ(e.Connection.Kind, r.protocol);
        EXPECT_EQ(profileValue(e), QString::fromUtf8(r.written));
    }
}

TEST(ProfileLines, ZoneOffsetFieldAsTheUserWritesIt)
{
    struct Case {
        const char *text;
        bool ok;
        int minutes;
    } cases[] = {
        {"", true, 0},       {"0", true, 0},         {"+09:00", true, 540}, {"9", true, 540},
        {"-0530", true, -330}, {"-3:30", true, -210}, {"+14:00", true, 840}, {"+14:01", false, 0},
        {"15", false, 0},    {"9:7", false, 0},      {"abc", false, 0},     {"+", false, 0},
    };
    for (const auto &c : cases) {
        int m = 12345;
        EXPECT_EQ(parseZoneOffset(QString::fromLatin1(c.text), &m), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(m, c.minutes) << c.text;
            int back = 1;
            EXPECT_TRUE(parseZoneOffset(zoneOffsetText(m), &back));
            EXPECT_EQ(back, m);
        }
    }
}

// The zone offset is the thirteenth field, written only when it is not 0.
TEST(ProfileLines, ZoneOffsetAfterTheConnectionOptions)
{
    struct Row { const char *value; int offset; const char *written; };
    const Row rows[] = {
        {"h;u;;;;;;;21;active;plain;;540", 540, "h;u;;;;;;;21;active;plain;;540"},
        {"h;u;;;;;;;2121;passive;plain;;-330", -330, "h;u;;;;;;;2121;passive;plain;;-330"},
        {"h;u;;;;;;;21;active;plain;;0", 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;900", 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;nine", 0, "h;u;;;;;;"},
        {"h;u;;;;;;;2121;passive;plain;", 0, "h;u;;;;;;;2121;passive;plain;"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        const ProfileEntry e = profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.value));
        EXPECT_EQ(e.Connection.ZoneOffset, r.offset);
        EXPECT_EQ(profileValue(e), QString::fromUtf8(r.written));
    }
}

// The number of connections a batch is spread over is the fifteenth field,
// written only when it is not 1: a file of the current format reads as before,
// and a value out of 1..8 is the default.
TEST(ProfileLines, ParallelTransfersAfterTheProtocol)
{
    struct Row { const char *value; int parallel; Protocol protocol; int offset; const char *written; };
    const Row rows[] = {
        {"h;u;;;;;;", 1, Protocol::Ftp, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;;;4", 4, Protocol::Ftp, 0, "h;u;;;;;;;21;active;plain;;;;4"},
        {"h;u;;;;;;;21;passive;tls;;540;;8", 8, Protocol::Ftp, 540, "h;u;;;;;;;21;passive;tls;;540;;8"},
        {"h;u;;;;;;;22;active;plain;;;sftp;2", 2, Protocol::Sftp, 0, "h;u;;;;;;;22;active;plain;;;sftp;2"},
        {"h;u;;;;;;;21;active;plain;;;;1", 1, Protocol::Ftp, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;;;9", 1, Protocol::Ftp, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;;;0", 1, Protocol::Ftp, 0, "h;u;;;;;;"},
        {"h;u;;;;;;;21;active;plain;;;;four", 1, Protocol::Ftp, 0, "h;u;;;;;;"},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.value);
        const ProfileEntry e = profileFromValue(QStringLiteral("n"), QString::fromUtf8(r.value));
        EXPECT_EQ(e.Connection.Parallel, r.parallel);
        EXPECT_EQ(e.Connection.Kind, r.protocol);
        EXPECT_EQ(e.Connection.ZoneOffset, r.offset);
        EXPECT_EQ(profileValue(e), QString::fromUtf8(r.written));
    }
}

TEST(AsciiExtensions, StoredForms)
{
    struct Row { const char *stored; QStringList items; };
    const Row rows[] = {
        {"txt", {"TXT"}},
        {"txt;;c", {"TXT"}},
        {"txt;c;", {"C", "TXT"}},
        {"TXT;txt;Txt", {"TXT"}},
        {";c", {}},  // an empty first token ends the list at once
    };
    AsciiExtensionList list;
    for (const Row &r : rows) {
        list.loadStored(QString::fromUtf8(r.stored));
        EXPECT_EQ(list.items(), r.items) << r.stored;
    }
    list.loadStored(QString());
    EXPECT_EQ(list.count(), 32);
    EXPECT_TRUE(list.contains(QStringLiteral("java")));

    list.clear();
    list.add(QStringLiteral("txt"));
    list.add(QStringLiteral("c"));
    EXPECT_EQ(list.toStored(), QStringLiteral("C;TXT;"));
    list.clear();
    EXPECT_EQ(list.toStored(), QString());
    EXPECT_EQ(list.add(QString()), -1);
    EXPECT_EQ(localSearchPatterns({QStringLiteral("TXT"), QStringLiteral("C")}),
              (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.c")}));
}

namespace {

// A local path as the program holds it: bytes that are not UTF-8 as U+DC00+byte.
QString localPathOf(const QByteArray &bytes)
{
    return localpath::decode(bytes);
}

} // namespace

// Every place the file keeps a local path gives back the very path, whatever
// its bytes: a folder named in code page 949 or with stray bytes must not come
// back as another folder (or none), and one holding the profile's field
// separator must not spill into the next field.
TEST(LocalPathsInTheFile, RoundTripWhateverTheirBytes)
{
    struct Row { const char *name; QByteArray bytes; };
    const Row rows[] = {
        {"ASCII", "/home/u/dl"},
        {"Korean UTF-8", "/home/u/\xED\x95\x9C\xEA\xB8\x80"},
        {"code page 949 bytes", "/data/\xC7\xD1\xB1\xDB"},
        {"one stray byte", "/data/x\xE9"},
        {"stray byte before ASCII", "/data/\xC7" "A"},
        {"Korean then CP949", "/data/\xED\x95\x9C/\xB0\xA1"},
        {"percent and blanks", "/data/ 100% \xB0\xA1 "},
        {"field separator", "/data/a;b"},
        {"separator and CP949", "/data/\xC7\xD1;\xB1\xDB"},
        {"looks marked", "{bytes}/x%41"},
        {"character U+FFFD", "/data/\xEF\xBF\xBD"},
    };
    for (const Row &r : rows) {
        const QString path = localPathOf(r.bytes);
        const QString file = localPathOf(r.bytes.mid(r.bytes.lastIndexOf('/') + 1) + ".txt");
        IniFile ini;
        ProfileEntry e;
        e.HostName = QStringLiteral("host");
        e.HostIP = QStringLiteral("10.0.0.1");
        e.RemotePath = QStringLiteral("/pub");
        e.LocalPath = path;
        e.LastLocalDir = path + QStringLiteral("/sub");
        e.LastLocalFile = file;
        e.LastHostDir = QStringLiteral("/pub/x");
        e.LastHostFile = QStringLiteral("y.bin");
        writeProfileLine(ini, e);
        writeLocalBookmarks(ini, {path, path + QStringLiteral("/2")});
        writeTools(ini, {path + QStringLiteral("/tool")});
        writeQueue(ini, QStringLiteral("host"), {{path + QStringLiteral("/a.txt"), QStringLiteral("/pub"), true, true}});
        writeHostBookmarks(ini, QStringLiteral("host"), {{path, true}});
        SessionProfile s;
        s.HostName = QStringLiteral("host");
        s.Editor = path + QStringLiteral("/edit");
        writeLoginOptions(ini, s);

        IniFile back;
        back.loadBytes(ini.toBytes());
        const QList<ProfileEntry> p = readProfiles(back);
        ASSERT_EQ(p.size(), 1) << r.name;
        EXPECT_EQ(p[0].LocalPath, e.LocalPath) << r.name;
        EXPECT_EQ(p[0].LastLocalDir, e.LastLocalDir) << r.name;
        EXPECT_EQ(p[0].LastLocalFile, e.LastLocalFile) << r.name;
        EXPECT_EQ(p[0].LastHostDir, e.LastHostDir) << r.name;
        EXPECT_EQ(p[0].LastHostFile, e.LastHostFile) << r.name;
        EXPECT_EQ(readLocalBookmarks(back), QStringList({path, path + QStringLiteral("/2")})) << r.name;
        EXPECT_EQ(readTools(back), QStringList{path + QStringLiteral("/tool")}) << r.name;
        const QList<QueueEntry> q = readQueue(back, QStringLiteral("host"));
        ASSERT_EQ(q.size(), 1) << r.name;
        EXPECT_EQ(q[0].fileName, path + QStringLiteral("/a.txt")) << r.name;
        EXPECT_EQ(q[0].directory, QStringLiteral("/pub")) << r.name;
        EXPECT_TRUE(q[0].binary && q[0].upload) << r.name;
        EXPECT_EQ(readLoginOptions(back).Editor, s.Editor) << r.name;
        EXPECT_EQ(readHostBookmarks(back, QStringLiteral("host")), (QList<HostBookmark>{{path, true}})) << r.name;
    }
}

// A file as earlier versions wrote it (code page 949; a value whose bytes would
// pair into Hangul written marked) reads as the paths it was written from, and
// ordinary paths are written back byte for byte as they were.
TEST(LocalPathsInTheFile, EarlierFilesReadAndOrdinaryPathsWriteAsBefore)
{
    const QByteArray hangul = "\xC7\xD1\xB1\xDB";   // 한글 in code page 949
    const QByteArray earlier = "[LOGIN]\r\nHostName=host\r\n\r\n"
                               "[IPADDRESS]\r\n"
                               "plain=10.0.0.1;kim;/pub;/home/u/" + hangul + ";/home/u/" + hangul + "/dl;a.txt;/pub;b\r\n"
                               "foreign={bytes}10.0.0.2;kim;/pub;/data/x%E9;/data/%B0%A1;%B0%A1.txt;/pub;b\r\n"
                               "\r\n[BOOKMARK]\r\n0=/data/x\xE9\r\n1={bytes}/data/%B0%A1\r\n2=/home/u/" + hangul + "\r\n"
                               "\r\n[QUEUE]\r\nforeign0={bytes}/data/%B0%A1/a.txt;/pub;B;0\r\n";
    IniFile ini;
    ini.loadBytes(earlier);
    const QString korean = QStringLiteral("/home/u/한글");
    const QList<ProfileEntry> p = readProfiles(ini);
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(p[0].LocalPath, korean);
    EXPECT_EQ(p[0].LastLocalDir, korean + QStringLiteral("/dl"));
    EXPECT_EQ(p[1].LocalPath, localPathOf("/data/x\xE9"));
    EXPECT_EQ(p[1].LastLocalDir, localPathOf("/data/\xB0\xA1"));
    EXPECT_EQ(p[1].LastLocalFile, localPathOf("\xB0\xA1.txt"));
    EXPECT_EQ(p[1].LastHostFile, QStringLiteral("b"));
    EXPECT_EQ(readLocalBookmarks(ini),
              QStringList({localPathOf("/data/x\xE9"), localPathOf("/data/\xB0\xA1"), korean}));
    const QList<QueueEntry> q = readQueue(ini, QStringLiteral("foreign"));
    ASSERT_EQ(q.size(), 1);
    EXPECT_EQ(q[0].fileName, localPathOf("/data/\xB0\xA1/a.txt"));

    // Written back unchanged, and the same entries written anew give the same bytes.
    EXPECT_EQ(ini.toBytes(), earlier);
    IniFile fresh;
    fresh.loadBytes(earlier);
    for (const ProfileEntry &e : p)
        writeProfileLine(fresh, e);
    writeLocalBookmarks(fresh, readLocalBookmarks(ini));
    writeQueue(fresh, QStringLiteral("foreign"), q);
    EXPECT_EQ(fresh.toBytes(), earlier);
}
