// Host names: the three letter-case renames, the taken-name rule and the
// wildcard the host file list is tagged with.

#include "remoteops/case_rename.h"

#include "platform/cp949.h"
#include "platform/wildcard.h"

#include <gtest/gtest.h>

using namespace kav;

namespace {
std::string s(const QString &t) { return t.toStdString(); }
}

TEST(CaseRename, OnlyAsciiLettersChange)
{
    struct Case {
        const char *what;
        QString name, upper, lower, sentence;
    };
    const QList<Case> cases = {
        {"extension", "read Me.Txt", "READ ME.TXT", "read me.txt", "Read me.txt"},
        {"all capitals", "README.TXT", "README.TXT", "readme.txt", "Readme.txt"},
        {"Korean first", QStringLiteral("한글File.TXT"), QStringLiteral("한글FILE.TXT"), QStringLiteral("한글file.txt"),
         QStringLiteral("한글file.txt")},
        {"accented letters stay", QStringLiteral("café.txt"), QStringLiteral("CAFé.TXT"), QStringLiteral("café.txt"),
         QStringLiteral("Café.txt")},
        {"digits and signs", "1st_try-v2.tar.gz", "1ST_TRY-V2.TAR.GZ", "1st_try-v2.tar.gz", "1st_try-v2.tar.gz"},
        {"empty", "", "", "", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(s(caseRenamed(c.name, LetterCase::Upper)), s(c.upper)) << c.what;
        EXPECT_EQ(s(caseRenamed(c.name, LetterCase::Lower)), s(c.lower)) << c.what;
        EXPECT_EQ(s(caseRenamed(c.name, LetterCase::Sentence)), s(c.sentence)) << c.what;
    }
}

TEST(CaseRename, CodePage949TrailBytesStay)
{
    // 81 41 (갂) and 8C 63 (똠): their second bytes are "A" and "c" in ASCII.
    // Renaming the bytes would make other characters; the rule works on the
    // decoded name, so only the real letters change.
    struct Case {
        QByteArray name, upper, lower, sentence;
    };
    const QList<Case> cases = {
        {"\x81\x41x.txt", "\x81\x41X.TXT", "\x81\x41x.txt", "\x81\x41x.txt"},
        {"\x8c\x63.Doc", "\x8c\x63.DOC", "\x8c\x63.doc", "\x8c\x63.doc"},
        {"a\x81\x41\x8c\x63", "A\x81\x41\x8c\x63", "a\x81\x41\x8c\x63", "A\x81\x41\x8c\x63"},
    };
    for (const Case &c : cases) {
        const QString name = cp949::decode(c.name);
        EXPECT_EQ(cp949::encode(caseRenamed(name, LetterCase::Upper)), c.upper);
        EXPECT_EQ(cp949::encode(caseRenamed(name, LetterCase::Lower)), c.lower);
        EXPECT_EQ(cp949::encode(caseRenamed(name, LetterCase::Sentence)), c.sentence);
    }
}

TEST(CaseRename, SenderNames)
{
    EXPECT_EQ(letterCaseOf("N_RUppercase"), LetterCase::Upper);
    EXPECT_EQ(letterCaseOf("N_RLowercase"), LetterCase::Lower);
    EXPECT_EQ(letterCaseOf("N_RSentencecase"), LetterCase::Sentence);
    EXPECT_EQ(letterCaseOf(""), LetterCase::Sentence);
}

TEST(CaseRename, TakenNames)
{
    const QStringList listed = {"a.txt", "B.txt", "자료", "notes"};
    struct Case {
        const char *what;
        QString from, to;
        bool taken;
    };
    const QList<Case> cases = {
        {"a free name", "a.txt", "c.txt", false},
        {"another file", "a.txt", "B.txt", true},
        {"another file in another case", "a.txt", "b.TXT", true},
        {"a directory", "a.txt", QStringLiteral("자료"), true},
        {"its own other spelling", "a.txt", "A.TXT", false},
        {"its own name", "a.txt", "a.txt", false},
        {"another one's other spelling", "notes", "b.txt", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(nameTaken(listed, c.from, c.to), c.taken) << c.what;
    // Two entries that differ only in case: the other one counts.
    EXPECT_TRUE(nameTaken({"a.txt", "A.TXT"}, "a.txt", "A.TXT"));
    EXPECT_FALSE(nameTaken({"a.txt", "A.TXT"}, "A.TXT", "A.TXT"));
}

TEST(HostWildcard, TagsHostNames)
{
    struct Case {
        const char *mask;
        QString name;
        bool matches;
    };
    const QList<Case> cases = {
        {"*.zip", "a.ZIP", true},
        {"*.zip", "a.zip.txt", false},
        {"*", "", true},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"[a-c]*", "Beta", true},
        {"[!a-c]*", "beta", false},
        {"*.*", "README", false},   // host names: no desktop rule for ".*"
        {"자료*", QStringLiteral("자료실.txt"), true},
        {"*file*", "My File.doc", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(matchesWildcard(QString::fromUtf8(c.mask), c.name), c.matches) << c.mask << " " << s(c.name);
}
