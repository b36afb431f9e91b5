// Listing lines of servers nobody on this project wrote, grouped by the kind
// of server, each with where it was found: other FTP clients' parser tests
// (their expected name, size and type, read here by this client's rules:
// directories and links have no size, "." and ".." and devices list nothing,
// a size the line does not give in bytes is unknown), RFC 3659's examples,
// and GNU ls in other languages and time styles as captured on Debian 12.
//
// Each row: the line's bytes; whether it lists an entry, names nothing
// ("total", ".", a device), or is refused (no form reads it); the entry's
// kind, name (bytes as the server sent them) and size; and the date as the
// line writes it (for MLSD and EPLF: the exact time they give, in UTC).

#include "ftp/listing.h"

#include "platform/utf8x.h"

#include "qt_printers.h"

#include <cstdio>

#include <gtest/gtest.h>

using namespace kav;

namespace {

enum class Outcome { Listed, Nothing, Refused };

struct Row {
    const char *source;
    QByteArray line;
    Outcome outcome;
    EntryKind kind;
    QByteArray name;
    qint64 size;
    QByteArray date;
};

struct Group {
    const char *kind;
    QList<Row> rows;
};

constexpr auto L = Outcome::Listed;
constexpr auto N = Outcome::Nothing;
constexpr auto R = Outcome::Refused;
constexpr auto D = EntryKind::Directory;
constexpr auto F = EntryKind::PlainFile;
constexpr auto X = EntryKind::ExecutableFile;
constexpr auto K = EntryKind::Link;

// Sources, shortened in the rows.
const char *const Go = "jlaffaye/ftp parse_test.go";
const char *const CnUnix = "commons-net UnixFTPEntryParserTest";
const char *const CnNt = "commons-net NTFTPEntryParserTest";
const char *const CnEnt = "commons-net EnterpriseUnixFTPEntryParserTest";
const char *const CnMlsx = "commons-net MLSxEntryParserTest";
const char *const CnVms = "commons-net VMSFTPEntryParserTest";
const char *const CnOs400 = "commons-net OS400FTPEntryParserTest";
const char *const CnMvs = "commons-net MVSFTPEntryParserTest";
const char *const Node = "mscdex/node-ftp test/assets/entries.js";
const char *const Cr = "Chromium ftp_directory_listing_parser_ls_unittest";
const char *const Fz = "FileZilla tests/dirparsertest.cpp";
const char *const Rfc = "RFC 3659 7.7.4 (as quoted by node-ftp and Cyberduck tests)";
const char *const Cd = "Cyberduck FTPMlsdListResponseReaderTest";
const char *const Pl = "Perl File::Listing t/ (dosftp)";
const char *const Dos = "QbitQuantum/Basics dos.cpp (comment of sample lines)";
const char *const Syntec = "Syntec lathe's Windows CE FTP server, quoted in a client's parser comment";
const char *const Ls = "GNU ls 9.1 (Debian 12), captured";
const char *const Seen = "lines real servers sent, cited when this fault was found";

const QList<Group> &groups()
{
    static const QList<Group> table = {
        {"UNIX", {
            {Go, "drwxr-xr-x    3 110      1002            3 Dec 02  2009 pub", L, D, "pub", -1, "Dec 02  2009"},
            {Go, "drwxr-xr-x    3 110      1002            3 Dec 02  2009 p u b", L, D, "p u b", -1, "Dec 02  2009"},
            {Go, "-rw-r--r--   1 marketwired marketwired    12016 Mar 16  2016 2016031611G087802-001.newsml", L, F,
             "2016031611G087802-001.newsml", 12016, "Mar 16  2016"},
            {Go, "-rwxr-xr-x    3 110      1002            1234567 Dec 02  2009 fileName", L, X, "fileName", 1234567, "Dec 02  2009"},
            {Go, "lrwxrwxrwx   1 root     other          7 Jan 25 00:17 bin -> usr/bin", L, K, "bin", -1, "Jan 25 00:17"},
            {Go, "drwxr-xr-x               folder        0 Aug 15 05:49 !!!-Tipp des Haus!", L, D, "!!!-Tipp des Haus!", -1,
             "Aug 15 05:49"},
            {Go, "drwxrwxrwx               folder        0 Aug 11 20:32 P0RN", L, D, "P0RN", -1, "Aug 11 20:32"},
            {Go, "-rw-r--r--        0   18446744073709551615 18446744073709551615 Nov 16  2006 VIDEO_TS.VOB", L, F,
             "VIDEO_TS.VOB", -1, "Nov 16  2006"},
            {Go, "----------   1 owner    group         1803128 Jul 10 10:18 ls-lR.Z", L, F, "ls-lR.Z", 1803128, "Jul 10 10:18"},
            {Go, "d---------   1 owner    group               0 Nov  9 19:45 Softlib", L, D, "Softlib", -1, "Nov  9 19:45"},
            {Go, "-rwxrwxrwx   1 noone    nogroup      322 Aug 19  1996 message.ftp", L, X, "message.ftp", 322, "Aug 19  1996"},
            {Go, "drwxr-xr-x    3 110      1002            3 Dec 02  2009 spaces   dir   name", L, D, "spaces   dir   name", -1,
             "Dec 02  2009"},
            {Go, "-rwxr-xr-x    3 110      1002            1234567 Dec 02  2009 file   name", L, X, "file   name", 1234567,
             "Dec 02  2009"},
            {Go, "-rwxr-xr-x    3 110      1002            1234567 Dec 02  2009  foo bar ", L, X, " foo bar ", 1234567,
             "Dec 02  2009"},
            {Go, "-r--------   0 user group     65222236 Feb 24 00:39 RegularFile", L, F, "RegularFile", 65222236, "Feb 24 00:39"},
            {Go, "-rwxrw-r--+  1 521      101         2080 May 21 10:53 data.csv", L, X, "data.csv", 2080, "May 21 10:53"},
            {Go, "lrwxrwxrwx    1 0        1001           27 Jul 07  2017 R-3.4.0.pkg -> el-capitan/base/R-3.4.0.pkg", L, K,
             "R-3.4.0.pkg", -1, "Jul 07  2017"},
            {Go, "d [R----F--] supervisor            512       Jan 16 18:53 login", R, D, "", -1, ""},
            {Go, "- [R----F--] rhesus             214059       Oct 20 15:27 cx.exe", R, F, "", -1, ""},
            {Go, "drwxr-xr-x    3 110      1002            3 Dec 02  209 pub", R, D, "", -1, ""},
            {Go, "Zrwxrwxrwx   1 root     other          7 Jan 25 00:17 bin -> usr/bin", R, F, "", -1, ""},
            {Go, "total 1", N, F, "", -1, ""},
            {Go, "000000000x ", R, F, "", -1, ""},
            {Go, "", N, F, "", -1, ""},

            {CnUnix, "-rw-r--r--   1 500      500            21 Aug  8 14:14 JB3-TES1.gz", L, F, "JB3-TES1.gz", 21, "Aug  8 14:14"},
            {CnUnix, "-rwxr-xr-x   2 root     root         4096 Mar  2 15:13 zxbox", L, X, "zxbox", 4096, "Mar  2 15:13"},
            {CnUnix, "drwxr-xr-x   2 root     root         4096 Aug 24  2001 zxjdbc", L, D, "zxjdbc", -1, "Aug 24  2001"},
            {CnUnix, "drwxr-xr-x   2 root     root         4096 Jan  4 00:03 zziplib", L, D, "zziplib", -1, "Jan  4 00:03"},
            {CnUnix, "drwxr-xr-x   2 root     99           4096 Feb 23  2001 zzplayer", L, D, "zzplayer", -1, "Feb 23  2001"},
            {CnUnix, "drwxr-xr-x   2 root     root         4096 Aug  6  2001 zztpp", L, D, "zztpp", -1, "Aug  6  2001"},
            {CnUnix, "drwxr-xr-x 1 usernameftp 512 Jan 29 23:32 prog", L, D, "prog", -1, "Jan 29 23:32"},
            {CnUnix, "lrw-r--r--   1 14       14          80284 Aug 22  2000 zxJDBC-1.2.3.tar.gz", L, K, "zxJDBC-1.2.3.tar.gz",
             -1, "Aug 22  2000"},
            {CnUnix, "frw-r--r--   1 14       staff      119926 Aug 22  2000 zxJDBC-1.2.3.zip", L, F, "zxJDBC-1.2.3.zip", 119926,
             "Aug 22  2000"},
            {CnUnix, "crw-r--r--   1 ftp      nogroup     83853 Jan 22  2001 zxJDBC-1.2.4.tar.gz", N, F, "", -1, ""},
            {CnUnix, "brw-r--r--   1 ftp      nogroup    126552 Jan 22  2001 zxJDBC-1.2.4.zip", N, F, "", -1, ""},
            {CnUnix, "-rw-r--r--   1 root     root       111325 Apr 27  2001 zxJDBC-2.0.1b1.tar.gz", L, F,
             "zxJDBC-2.0.1b1.tar.gz", 111325, "Apr 27  2001"},
            {CnUnix, "-rw-r--r--   1 root     root       190144 Apr 27  2001 zxJDBC-2.0.1b1.zip", L, F, "zxJDBC-2.0.1b1.zip",
             190144, "Apr 27  2001"},
            {CnUnix, "-rwxr-xr-x   2 500      500           166 Nov  2  2001 73131-testtes1.afp", L, X, "73131-testtes1.afp", 166,
             "Nov  2  2001"},
            {CnUnix, "-rw-r--r--   1 500      500           166 Nov  9  2001 73131-testtes1.AFP", L, F, "73131-testtes1.AFP", 166,
             "Nov  9  2001"},
            {CnUnix, "-rw-r--r--   1 500      500       2040000 Aug  5 07:35 testRemoteUPCopyNIX", L, F, "testRemoteUPCopyNIX",
             2040000, "Aug  5 07:35"},
            {CnUnix, "-rw-r--r-T   1 500      500             0 Mar 25 08:20 testSticky", L, F, "testSticky", 0, "Mar 25 08:20"},
            {CnUnix, "-rwxr-xr-t   1 500      500             0 Mar 25 08:21 testStickyExec", L, X, "testStickyExec", 0,
             "Mar 25 08:21"},
            {CnUnix, "-rwSr-Sr--   1 500      500             0 Mar 25 08:22 testSuid", L, F, "testSuid", 0, "Mar 25 08:22"},
            {CnUnix, "-rwsr-sr--   1 500      500             0 Mar 25 0:23 testSuidExec2", L, F, "testSuidExec2", 0,
             "Mar 25 0:23"},
            {CnUnix, "drwxrwx---+ 23 500     500    0 Jan 10 13:09 testACL", L, D, "testACL", -1, "Jan 10 13:09"},
            {CnUnix, "-rw-r--r--   1 1        3518644 May 25 12:12 std", L, F, "std", 3518644, "May 25 12:12"},
            {CnUnix, "lrwxrwxrwx   1 neeme neeme             23 Mar  2 18:06 macros -> ./../../global/macros/.", L, K, "macros",
             -1, "Mar  2 18:06"},
            {CnUnix, "-rw-r--r--   1 ftp      group with spaces in it as allowed in cygwin see bug 38634   83853 Jan 22  2001 "
                     "zxJDBC-1.2.4.tar.gz", L, F, "zxJDBC-1.2.4.tar.gz", 83853, "Jan 22  2001"},
            {CnUnix, "crw-r----- 1 root kmem 0, 27 Jan 30 11:42 kmem", N, F, "", -1, ""},
            {CnUnix, "crw-------   1 root     sys      109,767 Jul  2  2004 pci@1c,600000:devctl", N, F, "", -1, ""},
            {CnUnix, "-rwxrwx---   1 ftp      ftp-admin 816026400 Oct  5  2008 bloplab 7 cd1.img", L, X, "bloplab 7 cd1.img",
             816026400, "Oct  5  2008"},
            {CnUnix, "-rw-r--r-- 1 1 3518644 May 25 12:12 std", L, F, "std", 3518644, "May 25 12:12"},
            {CnUnix, "-rw-rw---- 1 ep1adm sapsys 0 6月 3日 2003年 試験ファイル.csv", L, F, "試験ファイル.csv", 0, "6月 3日 2003年"},
            {CnUnix, "-rw-rw---- 1 ep1adm sapsys 0 8月 17日 20:10 caerrinf", L, F, "caerrinf", 0, "8月 17日 20:10"},
            {CnUnix, "-rw-r-----   1 neeme neeme   346 2005-04-08 11:22 services.vsp", L, F, "services.vsp", 346, "2005-04-08 11:22"},
            {CnUnix, "lrwxrwxrwx   1 neeme neeme    23 2005-03-02 18:06 macros -> ./../../global/macros/.", L, K, "macros", -1,
             "2005-03-02 18:06"},
            {CnUnix, "drwxr-xr-x   2 john smith     group         4096 Mar  2 15:13 zxbox", L, D, "zxbox", -1, "Mar  2 15:13"},
            {CnUnix, "drwxr-xr-x   2 john smith     test group         4096 Mar  2 15:13 zxbox", L, D, "zxbox", -1, "Mar  2 15:13"},
            {CnUnix, "drwx------ 4 maxm Domain Users 512 Oct 2 10:59 .metadata", L, D, ".metadata", -1, "Oct 2 10:59"},
            {CnUnix, "drwxr-xr-x   2 john smith     group         4096 Mar  2 15:13 zxbox     ", L, D, "zxbox     ", -1,
             "Mar  2 15:13"},
            {CnUnix, "drwxr-xr-x   2 john smith     group         4096 Mar  2 15:13   zxbox", L, D, "  zxbox", -1, "Mar  2 15:13"},
            {CnUnix, "drwx------ 4 maxm Domain Users 512 Oct 2 10:59 abc(test)123.pdf", L, D, "abc(test)123.pdf", -1,
             "Oct 2 10:59"},
            {CnUnix, "drwxr-x---+1464 chrism   chrism     41472 Feb 25 13:17 20090225", L, D, "20090225", -1, "Feb 25 13:17"},
            {CnUnix, "-rw-r--r--   1 ftpuser  ftpusers 12414535 Mar 17 11:07 test 1999 abc.pdf", L, F, "test 1999 abc.pdf",
             12414535, "Mar 17 11:07"},
            {CnUnix, "-rw-rw-rw-   1 user group 5840 Mar 19 09:34 123 456 abc.csv", L, F, "123 456 abc.csv", 5840, "Mar 19 09:34"},
            {CnUnix, "-rwxr-xr-x   2 user     my group 500        5000000000 Mar  2 15:13 zxbox", L, X, "zxbox", 5000000000LL,
             "Mar  2 15:13"},
            {CnUnix, "-rw-r--r--   1 root     root       190144 2001-04-27 zxJDBC-2.0.1b1.zip", L, F, "zxJDBC-2.0.1b1.zip", 190144,
             "2001-04-27"},
            {CnUnix, "-rw-r--r--   1ftp       nogroup    126552 Jan 22  2001 zxJDBC-1.2.4.zip", L, F, "zxJDBC-1.2.4.zip", 126552,
             "Jan 22  2001"},
            {CnUnix, "zrwxr-xr-x   2 root     root         4096 Mar  2 15:13 zxbox", R, F, "", -1, ""},
            {CnUnix, "drwxr-xr-x   2 root     99           4096 Feb 23 30:01 zzplayer", R, F, "", -1, ""},
            {CnUnix, "drwxr-xr-x   2 root     root         4096 Aug 36  2001 zztpp", R, F, "", -1, ""},
            {CnUnix, "-rw-r--r--   1 14       staff       80284 Aug 22  zxJDBC-1.2.3.tar.gz", R, F, "", -1, ""},
            {CnUnix, "-rw-r--r--   1 root     root       111325 Apr -7 18:79 zxJDBC-2.0.1b1.tar.gz", R, F, "", -1, ""},
            {CnNt, "-rw-rw-r--   1 mqm        mqm          17707 Mar 12  3:33 killmq.sh.log", L, F, "killmq.sh.log", 17707,
             "Mar 12  3:33"},
            {CnNt, "drwxr-xr-x   2 root     99           4096Feb 23 30:01 zzplayer", R, F, "", -1, ""},
            {CnEnt, "-C--E-----FTP B QUA1I1      18128       41 Aug 12 13:56 QUADTEST", L, F, "QUADTEST", 41, "Aug 12 13:56"},
            {CnEnt, "-C--E-----FTP A QUA1I1      18128       41 Aug 12 13:56 QUADTEST2", L, F, "QUADTEST2", 41, "Aug 12 13:56"},
            {CnEnt, "-C--E-----FTP A QUA1I1      18128       41 Apr 1 2014 QUADTEST3", L, F, "QUADTEST3", 41, "Apr 1 2014"},
            {CnEnt, "-C--E-----FTP B QUA1I1      18128       5000000000 Aug 12 13:56 QUADTEST", L, F, "QUADTEST", 5000000000LL,
             "Aug 12 13:56"},
            {CnEnt, "drwxr-xr-x   2 root     root         4096 Aug 26  201O zztpp", R, F, "", -1, ""},
            {CnEnt, "drwxr-xr-x   2 root     root         4096 Aug 26  20 zztpp", R, F, "", -1, ""},

            {Node, "drwxr-xr-x  10 root   root    4096 Dec 21  2012 usr", L, D, "usr", -1, "Dec 21  2012"},
            {Node, "drwxrwxrwx   1 owner   group          0 Aug 31 2012 e-books", L, D, "e-books", -1, "Aug 31 2012"},
            {Node, "-rw-rw-rw-   1 1234   group    7045120 Sep 02  2012 music.mp3", L, F, "music.mp3", 7045120, "Sep 02  2012"},
            {Node, "-rw-rw-rw-   1 owner   1234    7045120 Sep 02  2012 music.mp3", L, F, "music.mp3", 7045120, "Sep 02  2012"},
            {Node, "-rwxrwxr-x    1 1317       Domain Use                3065 May  4 11:01 xmlrpc.php", L, X, "xmlrpc.php", 3065,
             "May  4 11:01"},
            {Node, "-rwxrwxr-x    1 1317       Domain  Use                3065 May  4 11:01 xmlrpc.php", L, X, "xmlrpc.php", 3065,
             "May  4 11:01"},
            {Node, "-rwxrwxr-x    1 Domain Use       33                3065 May  4 11:01 xmlrpc.php", L, X, "xmlrpc.php", 3065,
             "May  4 11:01"},
            {Node, "-rwxrwxr-x    1 Domain Use       Domain Use                3065 May  4 11:01 xmlrpc.php", L, X, "xmlrpc.php",
             3065, "May  4 11:01"},
            {Node, "-rw-------    1 33         www-data           14 May 15 01:52 .ftpquota", L, F, ".ftpquota", 14, "May 15 01:52"},
            {Node, "-rw-rw-rw-+   1 owner   group    7045120 Sep 02  2012 music.mp3", L, F, "music.mp3", 7045120, "Sep 02  2012"},
            {Node, "drwxrwx--T   7 root   root    4096 May 19 2012 tmp", L, D, "tmp", -1, "May 19 2012"},
            {Node, "drwxrwxr-x    7 Domain Use       Domain Use        208 May  5 11:28 wp-content", L, D, "wp-content", -1,
             "May  5 11:28"},
            {Node, "drwxr-xr-x 2 oinstall 4096 Jul 25 14:33 log", L, D, "log", -1, "Jul 25 14:33"},
            {Node, "total 871", N, F, "", -1, ""},

            {Cr, "-rw-r--r--    1 ftp      ftp           528 Nov 01  2007 README", L, F, "README", 528, "Nov 01  2007"},
            {Cr, "drwxr-xr-x    3 ftp      ftp          4096 May 15 18:11 directory", L, D, "directory", -1, "May 15 18:11"},
            {Cr, "lrwxrwxrwx 1 0  0 26 Sep 18 2008 pub -> vol/1/.CLUSTER/var_ftp/pub", L, K, "pub", -1, "Sep 18 2008"},
            {Cr, "lrwxrwxrwx 1 0  0 3 Oct 12 13:37 mirror -> pub", L, K, "mirror", -1, "Oct 12 13:37"},
            {Cr, "drwxrwsr-x    4 501      501          4096 Feb 20  2007 pub", L, D, "pub", -1, "Feb 20  2007"},
            {Cr, "drwxr-xr-x   4 (?)      (?)          4096 Apr  8  2007 jigdo", L, D, "jigdo", -1, "Apr  8  2007"},
            {Cr, "drwx-wx-wt  2 root  wheel  512 Jul  1 02:15 incoming", L, D, "incoming", -1, "Jul  1 02:15"},
            {Cr, "-rw-r--r-- 1 2 3 3447432 May 18  2009 Foo - Manual.pdf", L, F, "Foo - Manual.pdf", 3447432, "May 18  2009"},
            {Cr, "d-wx-wx-wt+  4 ftp      989          512 Dec  8 15:54 incoming", L, D, "incoming", -1, "Dec  8 15:54"},
            {Cr, "drwxrwxrwx   1 owner    group               1024 Sep 13  0:30 audio", L, D, "audio", -1, "Sep 13  0:30"},
            {Cr, "lrwxrwxrwx 1 0  0 26 Sep 18 2008 pub", L, K, "pub", -1, "Sep 18 2008"},
            {Cr, "-rw-r--r--    1 ftp      ftp           -528 Nov 01  2007 README", L, F, "README", -1, "Nov 01  2007"},
            {Cr, "drwxr-xr-x   2 sys          512 Mar 27  2009 pub", L, D, "pub", -1, "Mar 27  2009"},
            {Cr, "lrwxrwxrwx 0  0 26 Sep 18 2008 pub -> vol/1/.CLUSTER/var_ftp/pub", L, K, "pub", -1, "Sep 18 2008"},
            {Cr, "drwxr-xr-x   (?)      (?)          4096 Apr  8  2007 jigdo", L, D, "jigdo", -1, "Apr  8  2007"},
            {Cr, "-rw-r--r-- 2 3 3447432 May 18  2009 Foo - Manual.pdf", L, F, "Foo - Manual.pdf", 3447432, "May 18  2009"},
            {Cr, "-r--r--r--  1 ftp      -A---       13274 Mar  1  2006 UpTime.exe", L, F, "UpTime.exe", 13274, "Mar  1  2006"},
            {Cr, "dr--r--r--  1 ftp      -----           0 Nov 17 17:08 kernels", L, D, "kernels", -1, "Nov 17 17:08"},
            {Cr, "drwxr-xr-x               folder        0 Jul 17  2006 online", L, D, "online", -1, "Jul 17  2006"},
            {Cr, "-rw-r--r-- 1 ftpadmin ftpadmin125435904 Apr  9  2008 .pureftpd-upload", L, F, ".pureftpd-upload", -1,
             "Apr  9  2008"},
            {Cr, "drwxr-xr-x1732 266      111        90112 Jun 21  2001 .rda_2", L, D, ".rda_2", -1, "Jun 21  2001"},
            {Cr, "drwxrwxr-x   3 %%%%     Domain Users     4096 Dec  9  2009 %%%%%", L, D, "%%%%%", -1, "Dec  9  2009"},
            {Cr, "-rwxrwxr-x 1 ftp ftp 123 23 \xd0\xbc\xd0\xb0\xd0\xb9 2011 test", L, X, "test", 123,
             "23 \xd0\xbc\xd0\xb0\xd0\xb9 2011"},
            {Cr, "drwxrwxr-x 1 ftp ftp 4096 19 \xd0\xbe\xd0\xba\xd1\x82 2011 dir", L, D, "dir", -1,
             "19 \xd0\xbe\xd0\xba\xd1\x82 2011"},
            {Cr, "ar-xr-xr-x   2 none     none         512 Apr 26 17:52 plan9", L, X, "plan9", 512, "Apr 26 17:52"},
            {Cr, "drwxrwx   2       10     4096 Jul 28 02:41 tmp", L, D, "tmp", -1, "Jul 28 02:41"},
            {Cr, "drwxrwxrwx 2 root root  4096 2012-02-07 00:31 notas_servico", L, D, "notas_servico", -1, "2012-02-07 00:31"},
            {Cr, "-rwxrwxrwx 2 root root  4096 2012-02-07 00:31 notas_servico", L, X, "notas_servico", 4096, "2012-02-07 00:31"},
            {Cr, "drwx--l---   2 0        10           512 Dec 22  1994 swetzel", L, D, "swetzel", -1, "Dec 22  1994"},
            {Cr, "drwxrwxr-x   1 500     244         660 Jan  1 00:0 bin", L, D, "bin", -1, "Jan  1 00:0"},
            // A month glued to garbage: refused rather than guessed.
            {Cr, "lrw-rw-rw-   1 user     group         542 /t11/member/incomingFeb  8  2007 Shortcut to incoming.lnk -> "
                 "/t11/member/incoming", R, K, "", -1, ""},
            {Cr, "drwxr-xr-x 2 0 0 4096 Mar 18  2007  ", R, D, "", -1, ""},
            {Cr, "ftpd: .: Permission denied", R, F, "", -1, ""},
            {Cr, "ftpd-BSD: .: Permission denied", R, F, "", -1, ""},
            {Cr, "ls: .: EDC5111I Permission denied.", R, F, "", -1, ""},
            {Cr, "drwxr-xr-x 3 ftp ftp 4096 May 15 18:11", R, F, "", -1, ""},
            {Cr, "drwxr-xr-x 3 ftp     4096 May 15 18:11", R, F, "", -1, ""},
            {Cr, "drwxr-xr-x   folder     0 May 15 18:11", R, F, "", -1, ""},
            {Cr, " foo", R, F, "", -1, ""},
            {Cr, "garbage", R, F, "", -1, ""},
            {Cr, "-rw-r--r-- ftp ftp", R, F, "", -1, ""},
            {Cr, "-rw-r--r-- 1 ftp ftp", R, F, "", -1, ""},
            {Cr, "drwxrwxrwx 2 root root  4096 2012-30-07 00:31 notas_servico", R, F, "", -1, ""},

            {Fz, "dr-xr-xr-x   2 root     other        512 Apr  8  1994 01-unix-std dir", L, D, "01-unix-std dir", -1,
             "Apr  8  1994"},
            {Fz, "-rw-r--r--   1 root     other        531 3 29 03:26 02-unix-std file", L, F, "02-unix-std file", 531,
             "3 29 03:26"},
            {Fz, "dr-xr-xr-x   2 root                  512 Apr  8  1994 03-unix-nogroup dir", L, D, "03-unix-nogroup dir", -1,
             "Apr  8  1994"},
            {Fz, "lrwxrwxrwx   1 root     other          7 Jan 25 00:17 04-unix-std link -> usr/bin", L, K, "04-unix-std link",
             -1, "Jan 25 00:17"},
            {Fz, "-rw-r--r--   1 root     other        531 09-26 2000 05-unix-date file", L, F, "05-unix-date file", 531,
             "09-26 2000"},
            {Fz, "-rw-r--r--   1 root     other        531 09-26 13:45 06-unix-date file", L, F, "06-unix-date file", 531,
             "09-26 13:45"},
            {Fz, "-rw-r--r--   1 root     other        531 2005-06-07 21:22 07-unix-date file", L, F, "07-unix-date file", 531,
             "2005-06-07 21:22"},
            {Fz, "-rw-r--r--   1 root     other  33.5k Oct 5 21:22 08-unix-namedsize file", L, F, "08-unix-namedsize file", -1,
             "Oct 5 21:22"},
            {Fz, "d [R----F--] supervisor            512       Jan 16 18:53    09-netware dir", R, D, "", -1, ""},
            {Fz, "- [R----F--] rhesus             214059       Oct 20 15:27    10-netware file", R, F, "", -1, ""},
            {Fz, "-------r--         326  1391972  1392298 Nov 22  1995 11-netpresenz file", L, F, "11-netpresenz file", 1392298,
             "Nov 22  1995"},
            {Fz, "drwxrwxr-x               folder        2 May 10  1996 12-netpresenz dir", L, D, "12-netpresenz dir", -1,
             "May 10  1996"},
            {Fz, "-rw-r--r--   1 group domain user 531 Jan 29 03:26 13-unix-domain file", L, F, "13-unix-domain file", 531,
             "Jan 29 03:26"},
            {Fz, "-rwxr-xr-x    1 user group        9 Oct 08, 2002 09:47 23-vshell-new file", L, X, "23-vshell-new file", 9,
             "Oct 08, 2002 09:47"},
            {Fz, "dr-xr-xr-x   2 root     other      2235 26. Juli, 20:10 28-datetest-ger dir", L, D, "28-datetest-ger dir", -1,
             "26. Juli, 20:10"},
            {Fz, "dr-xr-xr-x   2 root     other      2235 szept 26 20:10 28b-datetest-hungarian dir", L, D,
             "28b-datetest-hungarian dir", -1, "szept 26 20:10"},
            {Fz, "-r-xr-xr-x   2 root     other      2235 2.   Okt.  2003 29-datetest-ger file", L, X, "29-datetest-ger file",
             2235, "2.   Okt.  2003"},
            {Fz, "-r-xr-xr-x   2 root     other      2235 1999/10/12 17:12 30-datetest file", L, X, "30-datetest file", 2235,
             "1999/10/12 17:12"},
            {Fz, "-r-xr-xr-x   2 root     other      2235 24-04-2003 17:12 31-datetest file", L, X, "31-datetest file", 2235,
             "24-04-2003 17:12"},
            {Fz, "-rw-r--r--   1 root       sys           8473  4\x8c\x8e 18\x93\xfa 2003\x94\x4e 32-datatest-japanese file", L, F,
             "32-datatest-japanese file", 8473, "4\x8c\x8e 18\x93\xfa 2003\x94\x4e"},
            {Fz, "-rwxrwxrwx   1 root     staff          0 2003   3\xed\xef 20 33-asian date file", L, X, "33-asian date file", 0,
             "2003   3\xed\xef 20"},
            {Fz, "-r--r--r-- 1 root root 2096 8\xed 17 08:52 34-asian date file", L, F, "34-asian date file", 2096,
             "8\xed 17 08:52"},
            {Fz, "-r-xr-xr-x   2 root  root  96 2004.07.15   35-dotted-date file", L, X, "35-dotted-date file", 96, "2004.07.15"},
            {Fz, "-r-xr-xr-x longowner longgroup123456 Feb 12 17:20 46-unix-concatsize file", L, X, "46-unix-concatsize file",
             -1, "Feb 12 17:20"},
            {Fz, "-r-xr-xr-x 2 owner group 4512 01-jun-99 47_unix_shortdatemonth file", L, X, "47_unix_shortdatemonth file",
             4512, "01-jun-99"},
            {Fz, "-C--E-----FTP B BCC3I1       7670  1294495 Jan 13 07:42 50-conent file", L, F, "50-conent file", 1294495,
             "Jan 13 07:42"},
            {Fz, "drwxr-xr-x 3 user group 512 01 oct 2004 52-swapped-daymonth dir", L, D, "52-swapped-daymonth dir", -1,
             "01 oct 2004"},
            {Fz, "-r--r--r-- 0125039 12 Nov 11 2005 53-noownergroup file", L, F, "53-noownergroup file", 12, "Nov 11 2005"},
            {Fz, "drwxr-xr-x   5 root     sys          512 2005\xEB\x85\x84  1\xEC\x9B\x94  6\xEC\x9D\xBC 54-asian date year first dir",
             L, D, "54-asian date year first dir", -1, "2005\xEB\x85\x84  1\xEC\x9B\x94  6\xEC\x9D\xBC"},
            {Fz, "drwxr-xr-x 6 user sys 1024 30. Jan., 12:40 59-localized-date-dir", L, D, "59-localized-date-dir", -1,
             "30. Jan., 12:40"},
            {Fz, "drwxr-xr-x 3 slopri devlab 512 71-unix-dateless", R, D, "", -1, ""},
            {Fz, "drwxrwxrwx   1 0        0               0 29 Jul 02:27 2014 Invoices", L, D, "2014 Invoices", -1,
             "29 Jul 02:27"},
            {Fz, "-rw-------      1  99999999 0              3 Apr   4 24:00 alternate_midnight", L, F, "alternate_midnight", 3,
             "Apr   4 24:00"},

            {Seen, "-rw-r--r--   1   200   4604 Dec 19 23:11 index.html", L, F, "index.html", 4604, "Dec 19 23:11"},
            {Seen, "-08-14  03:09PM  <DIR> docs", R, F, "", -1, ""},

            {Ls, "합계 12", N, F, "", -1, ""},
            {Ls, "-rw-r--r-- 1 root root    2 12월 11일  03:27 new.txt", L, F, "new.txt", 2, "12월 11일  03:27"},
            {Ls, "-rw-r--r-- 1 root root    0 2019년  3월  4일 old.txt", L, F, "old.txt", 0, "2019년  3월  4일"},
            {Ls, "lrwxrwxrwx 1 root root    6 12월 11일  03:27 링크 -> 자료", L, K, "링크", -1, "12월 11일  03:27"},
            {Ls, "drwxr-xr-x 2 root root 4096 12월 11일  03:27 자료", L, D, "자료", -1, "12월 11일  03:27"},
            {Ls, "-rw-r--r-- 1 root root    3 12월 11일  03:27 한글 파일.txt", L, F, "한글 파일.txt", 3, "12월 11일  03:27"},
            {Ls, "drwxr-xr-x  3 root root 4096 12월 11일  03:27 .", N, D, "", -1, ""},
            {Ls, "drwxrwxrwt 21 root root 4096 12월 11일  03:27 ..", N, D, "", -1, ""},
            {Ls, "合計 12", N, F, "", -1, ""},
            {Ls, "-rw-r--r-- 1 root root    3 12月 11 03:27 한글 파일.txt", L, F, "한글 파일.txt", 3, "12月 11 03:27"},
            {Ls, "-rw-r--r-- 1 root root    0  3月  4  2019 old.txt", L, F, "old.txt", 0, "3月  4  2019"},
            {Ls, "итого 12", N, F, "", -1, ""},
            {Ls, "drwxr-xr-x 2 root root 4096 дек 11 03:27 자료", L, D, "자료", -1, "дек 11 03:27"},
            {Ls, "-rw-r--r-- 1 root root    0 мар  4  2019 old.txt", L, F, "old.txt", 0, "мар  4  2019"},
            {Ls, "insgesamt 12", N, F, "", -1, ""},
            {Ls, "-rw-r--r-- 1 root root    2 11. Dez 03:27 new.txt", L, F, "new.txt", 2, "11. Dez 03:27"},
            {Ls, "-rw-r--r-- 1 root root    0  4. Mär 2019  old.txt", L, F, "old.txt", 0, "4. Mär 2019"},
            {Ls, "lrwxrwxrwx 1 root root    6 11. Dez 03:27 링크 -> 자료", L, K, "링크", -1, "11. Dez 03:27"},
            {Ls, "drwxr-xr-x 2 root root 4096 11 déc.  03:27 자료", L, D, "자료", -1, "11 déc.  03:27"},
            {Ls, "-rw-r--r-- 1 root root    0  4 mars   2019 old.txt", L, F, "old.txt", 0, "4 mars   2019"},
            {Ls, "-rw-r--r-- 1 root root    2 2026-12-11 03:27:32.721285483 +0000 new.txt", L, F, "new.txt", 2,
             "2026-12-11 03:27:32.721285483 +0000"},
            {Ls, "lrwxrwxrwx 1 root root    6 2026-12-11 03:27:32.725285483 +0000 링크 -> 자료", L, K, "링크", -1,
             "2026-12-11 03:27:32.725285483 +0000"},
            {Ls, "-rw-r--r-- 1 root root    3 2026-12-11 03:27:32.705285483 +0000 한글 파일.txt", L, F, "한글 파일.txt", 3,
             "2026-12-11 03:27:32.705285483 +0000"},
            {Ls, "-rw-r--r-- 1 root root    0 2019-03-04 05:06 old.txt", L, F, "old.txt", 0, "2019-03-04 05:06"},
            {Ls, "drwxr-xr-x 2 root root 4096 2026-12-11 03:27 자료", L, D, "자료", -1, "2026-12-11 03:27"},
            {Ls, "-rw-r--r-- 1 root root    2 12-11 03:27 new.txt", L, F, "new.txt", 2, "12-11 03:27"},
            {Ls, "-rw-r--r-- 1 root root    0 2019-03-04  old.txt", L, F, "old.txt", 0, "2019-03-04"},
            {Ls, "lrwxrwxrwx 1 root root    6 12-11 03:27 링크 -> 자료", L, K, "링크", -1, "12-11 03:27"},
        }},

        {"MS-DOS", {
            {Go, "08-07-15  07:50PM                  718 Post_PRR_20150901_1166_265118_13049.dat", L, F,
             "Post_PRR_20150901_1166_265118_13049.dat", 718, "08-07-15  07:50PM"},
            {Go, "08-10-15  02:04PM       <DIR>          Billing", L, D, "Billing", -1, "08-10-15  02:04PM"},
            {CnNt, "05-26-95  10:57AM               143712 $LDR$", L, F, "$LDR$", 143712, "05-26-95  10:57AM"},
            {CnNt, "05-20-97  03:31PM                  681 .bash_history", L, F, ".bash_history", 681, "05-20-97  03:31PM"},
            {CnNt, "12-05-96  05:03PM       <DIR>          absoft2", L, D, "absoft2", -1, "12-05-96  05:03PM"},
            {CnNt, "11-14-97  04:21PM                  953 AUDITOR3.INI", L, F, "AUDITOR3.INI", 953, "11-14-97  04:21PM"},
            {CnNt, "05-22-97  08:08AM                  828 AUTOEXEC.BAK", L, F, "AUTOEXEC.BAK", 828, "05-22-97  08:08AM"},
            {CnNt, "01-22-98  01:52PM                  795 AUTOEXEC.BAT", L, F, "AUTOEXEC.BAT", 795, "01-22-98  01:52PM"},
            {CnNt, "05-13-97  01:46PM                  828 AUTOEXEC.DOS", L, F, "AUTOEXEC.DOS", 828, "05-13-97  01:46PM"},
            {CnNt, "12-03-96  06:38AM                  403 AUTOTOOL.LOG", L, F, "AUTOTOOL.LOG", 403, "12-03-96  06:38AM"},
            {CnNt, "12-03-96  06:38AM       <DIR>          123xyz", L, D, "123xyz", -1, "12-03-96  06:38AM"},
            {CnNt, "01-20-97  03:48PM       <DIR>          bin", L, D, "bin", -1, "01-20-97  03:48PM"},
            {CnNt, "05-26-1995  10:57AM               143712 $LDR$", L, F, "$LDR$", 143712, "05-26-1995  10:57AM"},
            // The 24-hour clock of Windows CE.
            {CnNt, "12-05-96  17:03         <DIR>          absoft2", L, D, "absoft2", -1, "12-05-96  17:03"},
            {CnNt, "05-22-97  08:08                    828 AUTOEXEC.BAK", L, F, "AUTOEXEC.BAK", 828, "05-22-97  08:08"},
            {CnNt, "01-01-98  05:00       <DIR>          Network", L, D, "Network", -1, "01-01-98  05:00"},
            {CnNt, "01-01-98  05:00       <DIR>          StorageCard", L, D, "StorageCard", -1, "01-01-98  05:00"},
            {CnNt, "09-13-10  20:08       <DIR>          Recycled", L, D, "Recycled", -1, "09-13-10  20:08"},
            {CnNt, "09-06-06  19:00                   69 desktop.ini", L, F, "desktop.ini", 69, "09-06-06  19:00"},
            {CnNt, "09-13-10  13:08                   23 Control Panel.lnk", L, F, "Control Panel.lnk", 23, "09-13-10  13:08"},
            {CnNt, "09-13-10  13:08       <DIR>          My Documents", L, D, "My Documents", -1, "09-13-10  13:08"},
            {CnNt, "09-13-10  13:08       <DIR>          Program Files", L, D, "Program Files", -1, "09-13-10  13:08"},
            {CnNt, "09-13-10  13:08       <DIR>          Temp", L, D, "Temp", -1, "09-13-10  13:08"},
            {CnNt, "09-13-10  13:08       <DIR>          Windows", L, D, "Windows", -1, "09-13-10  13:08"},
            {Syntec, "10-07-26  08:19                   22 MDIBlock", L, F, "MDIBlock", 22, "10-07-26  08:19"},
            {Syntec, "01-12-26  15:18       <DIR>          M-TEKNIK", L, D, "M-TEKNIK", -1, "01-12-26  15:18"},
            {CnNt, "05-22-97  12:08AM                  5000000000 10 years and under", L, F, "10 years and under",
             5000000000LL, "05-22-97  12:08AM"},
            {CnNt, "12-03-96  06:38PM       <DIR>           10 years and under", L, D, "10 years and under", -1,
             "12-03-96  06:38PM"},
            {CnNt, "05-22-97  12:08                  5000000000 10 years and under", L, F, "10 years and under",
             5000000000LL, "05-22-97  12:08"},
            {CnNt, "12-03-96  06:38       <DIR>           10 years and under", L, D, "10 years and under", -1,
             "12-03-96  06:38"},
            {CnNt, "12-03-96  06:38AM       <DIR>          123 xyz", L, D, "123 xyz", -1, "12-03-96  06:38AM"},
            {CnNt, "12-03-96  06:38AM       <DIR>          123 abc xyz", L, D, "123 abc xyz", -1, "12-03-96  06:38AM"},
            {CnNt, "09-04-13  05:51PM       <DIR>          aspnet_client", L, D, "aspnet_client", -1, "09-04-13  05:51PM"},
            {CnNt, "07-17-13  02:54PM                    2 A_quick_brown_fox_jumps_over_the_lazy_dog", L, F,
             "A_quick_brown_fox_jumps_over_the_lazy_dog", 2, "07-17-13  02:54PM"},
            {CnNt, "07-17-13  02:17PM                    3 x\x81\x85y", L, F, "x\x81\x85y", 3, "07-17-13  02:17PM"},
            {CnNt, "07-17-13  01:49PM                    7 \x8e\x4f\x8c\xda\x82\xcc\x97\xe7.txt", L, F,
             "\x8e\x4f\x8c\xda\x82\xcc\x97\xe7.txt", 7, "07-17-13  01:49PM"},
            // A day-month-year server: still the name it lists.
            {CnNt, "20-05-97  03:31PM                  681 .bash_history", L, F, ".bash_history", 681, "20-05-97  03:31PM"},
            {CnNt, "     0           DIR   05-19-97   12:56  local", R, F, "", -1, ""},
            {Fz, "04-27-00  12:09PM       <DIR>          16-dos-dateambiguous dir", L, D, "16-dos-dateambiguous dir", -1,
             "04-27-00  12:09PM"},
            {Fz, "04-06-00  03:47PM                  589 17-dos-dateambiguous file", L, F, "17-dos-dateambiguous file", 589,
             "04-06-00  03:47PM"},
            {Fz, "2002-09-02  18:48       <DIR>          18-dos-longyear dir", L, D, "18-dos-longyear dir", -1,
             "2002-09-02  18:48"},
            {Fz, "2002-09-02  19:06                9,730 19-dos-longyear file", L, F, "19-dos-longyear file", 9730,
             "2002-09-02  19:06"},
            {Pl, "02-05-96  10:48AM                 1415 src.slf", L, F, "src.slf", 1415, "02-05-96  10:48AM"},
            {Pl, "09-10-96  09:18AM       <DIR>          sl_util", L, D, "sl_util", -1, "09-10-96  09:18AM"},
            {Dos, "06-29-95  03:05PM       <DIR>          muntemp", L, D, "muntemp", -1, "06-29-95  03:05PM"},
            {Dos, "05-02-95  10:03AM               961590 naxp11e.zip", L, F, "naxp11e.zip", 961590, "05-02-95  10:03AM"},
            {Dos, "05-17-2007  07:58PM       <DIR>          muntemp", L, D, "muntemp", -1, "05-17-2007  07:58PM"},
            {Dos, "09-09-2008  03:50AM                 1506 naxp11e.zip", L, F, "naxp11e.zip", 1506, "09-09-2008  03:50AM"},
            {Dos, "05-27-11  09:31       <DIR>          3", L, D, "3", -1, "05-27-11  09:31"},
            {Dos, "04-06-1995  02:03", R, F, "", -1, ""},
        }},

        {"MLSD", {
            {Go, "modify=20150813224845;perm=fle;type=cdir;unique=119FBB87U4;UNIX.group=0;UNIX.mode=0755;UNIX.owner=0; .", N, D,
             "", -1, ""},
            {Go, "modify=20150813224845;perm=fle;type=pdir;unique=119FBB87U4;UNIX.group=0;UNIX.mode=0755;UNIX.owner=0; ..", N, D,
             "", -1, ""},
            {Go, "modify=20150806235817;perm=fle;type=dir;unique=1B20F360U4;UNIX.group=0;UNIX.mode=0755;UNIX.owner=0; movies", L,
             D, "movies", -1, "2015-08-06T23:58:17Z"},
            {Go, "modify=20150814172949;perm=flcdmpe;type=dir;unique=85A0C168U4;UNIX.group=0;UNIX.mode=0777;UNIX.owner=0; _upload",
             L, D, "_upload", -1, "2015-08-14T17:29:49Z"},
            {Go, "modify=20150813175250;perm=adfr;size=951;type=file;unique=119FBB87UE;UNIX.group=0;UNIX.mode=0644;UNIX.owner=0; "
                 "welcome.msg", L, F, "welcome.msg", 951, "2015-08-13T17:52:50Z"},
            {Go, "Modify=20150813175250;Perm=adfr;Size=951;Type=file;Unique=119FBB87UE;UNIX.group=0;UNIX.mode=0644;UNIX.owner=0; "
                 "welcome.msg", L, F, "welcome.msg", 951, "2015-08-13T17:52:50Z"},
            {Go, "modify=20150806235817;invalid;UNIX.owner=0; movies", R, F, "", -1, ""},
            {CnMlsx, "Type=cdir;Modify=20141022065102;UNIX.mode=0775; /commons/net", N, D, "", -1, ""},
            {CnMlsx, "Type=pdir;Modify=20141205180002;UNIX.mode=0775; /commons", N, D, "", -1, ""},
            {CnMlsx, "Type=file;Size=431;Modify=20130303210732;UNIX.mode=0664; HEADER.html", L, F, "HEADER.html", 431,
             "2013-03-03T21:07:32Z"},
            {CnMlsx, "Type=file;Size=1880;Modify=20130611172748;UNIX.mode=0664; README.html", L, F, "README.html", 1880,
             "2013-06-11T17:27:48Z"},
            {CnMlsx, "Type=file;Size=2364;Modify=20130611170131;UNIX.mode=0664; RELEASE-NOTES.txt", L, F, "RELEASE-NOTES.txt",
             2364, "2013-06-11T17:01:31Z"},
            {CnMlsx, "Type=dir;Modify=20141022065102;UNIX.mode=0775; binaries", L, D, "binaries", -1, "2014-10-22T06:51:02Z"},
            {CnMlsx, "Type=dir;Modify=20141022065102.999;UNIX.mode=0775; source", L, D, "source", -1, "2014-10-22T06:51:02Z"},
            {CnMlsx, "Type=; /empty/fact", N, F, "", -1, ""},
            {CnMlsx, "Size=; /empty/size", N, F, "", -1, ""},
            {CnMlsx, "Type=dir;Modify=2014102206510x2.999;UNIX.mode=0775; modify has spurious chars", L, D,
             "modify has spurious chars", -1, ""},
            {CnMlsx, "Type=cdir;Modify=20141022065101;UNIX.mode=0775;/no/space", R, F, "", -1, ""},
            {CnMlsx, "Type=cdir;Modify=20141022065103;UNIX.mode=0775;", R, F, "", -1, ""},
            {CnMlsx, "Type=dir;Size; missing =size", R, F, "", -1, ""},
            {CnMlsx, "Type=dir missing-semicolon", R, F, "", -1, ""},
            {CnMlsx, "Type= missing value and semicolon", R, F, "", -1, ""},
            {CnMlsx, "Modify=2014; Short stamp", N, F, "", -1, ""},
            {CnMlsx, "Type=pdir;Modify=20141205180002Z; /trailing chars in Modify", N, D, "", -1, ""},
            {Rfc, "Type=cdir;Perm=el;Unique=keVO1+ZF4; test", N, D, "", -1, ""},
            {Rfc, "Type=pdir;Perm=e;Unique=keVO1+d?3; ..", N, D, "", -1, ""},
            {Rfc, "Type=OS.unix=slink:/foobar;Perm=;Unique=keVO1+4G4; foobar", L, K, "foobar", -1, ""},
            {Rfc, "Type=OS.unix=chr-13/29;Perm=;Unique=keVO1+5G4; device", N, F, "", -1, ""},
            {Rfc, "Type=OS.unix=blk-11/108;Perm=;Unique=keVO1+6G4; block", N, F, "", -1, ""},
            {Rfc, "Type=file;Perm=awr;Unique=keVO1+8G4; writable", L, F, "writable", -1, ""},
            {Rfc, "Type=dir;Perm=cpmel;Unique=keVO1+7G4; promiscuous", L, D, "promiscuous", -1, ""},
            {Rfc, "Type=dir;Perm=;Unique=keVO1+1t2; no-exec", L, D, "no-exec", -1, ""},
            {Rfc, "Type=file;Perm=r;Unique=keVO1+EG4; two words", L, F, "two words", -1, ""},
            {Rfc, "Type=file;Perm=r;Unique=keVO1+IH4;  leading space", L, F, " leading space", -1, ""},
            {Rfc, "Type=file;Perm=r;Unique=keVO1+1G4; file1", L, F, "file1", -1, ""},
            {Rfc, "Type=dir;Perm=cpmel;Unique=keVO1+7G4; incoming", L, D, "incoming", -1, ""},
            {Rfc, "Type=file;Size=17709913;Modify=20050502182143; Choices.mp3", L, F, "Choices.mp3", 17709913,
             "2005-05-02T18:21:43Z"},
            {Cd, "Type=dir;Modify=20171202151917;Unique=04c800e7ef006c54;Perm=cmpdfe; progrocklists", L, D, "progrocklists", -1,
             "2017-12-02T15:19:17Z"},
            {Cd, "Type=cdir;Modify=19990112033515; /iana/assignments/character-set-info", N, D, "", -1, ""},
            {Fz, "Type=file;mOdIfY=20081105165215;size=1234; 72-MLSD-file", L, F, "72-MLSD-file", 1234, "2008-11-05T16:52:15Z"},
            {Fz, "Type=file; 74-MLSD-whitespace trailing\t ", L, F, "74-MLSD-whitespace trailing\t ", -1, ""},
            {Fz, "Type=file; \t 75-MLSD-whitespace leading", L, F, "\t 75-MLSD-whitespace leading", -1, ""},
            {Fz, "modify=20080426135501;perm=;size=65718921;type=file;unique=802U1066013B;UNIX.group=1179;UNIX.mode=00;"
                 "UNIX.owner=1179; 75 MLSD file with empty permissions", L, F, "75 MLSD file with empty permissions", 65718921,
             "2008-04-26T13:55:01Z"},
            {Fz, "type=OS.unix=slink:/foo; 76 MLSD symlink", L, K, "76 MLSD symlink", -1, ""},
            {Fz, "type=OS.UNIX=symlink; 76b MLSD symlink", L, K, "76b MLSD symlink", -1, ""},
            {Fz, "type=file 77 MLSD file no trailing semicolon after facts < mlst-07", R, F, "", -1, ""},
            {Fz, "type=OS.unix=slink; 77 MLSD symlink notarget", L, K, "77 MLSD symlink notarget", -1, ""},
            {Fz, "size=1365694195;type=file;modify=20090722092510;\tadsl TV 2009-07-22 08-25-10 78 mlsd file that can get parsed "
                 "as unix.file", L, F, "adsl TV 2009-07-22 08-25-10 78 mlsd file that can get parsed as unix.file",
             1365694195, "2009-07-22T09:25:10Z"},
            {Fz, "Type=file;mOdIfY=19681105165215;size=1234; MLSD pre-epoch", L, F, "MLSD pre-epoch", 1234,
             "1968-11-05T16:52:15Z"},
        }},

        {"EPLF", {
            {Fz, "+i8388621.48594,m825718503,r,s280,up755\t14-eplf file", L, X, "14-eplf file", 280, "1996-03-01T22:15:03Z"},
            {Fz, "+i8388621.50690,m824255907,/,\t15-eplf dir", L, D, "15-eplf dir", -1, "1996-02-13T23:58:27Z"},
        }},

        {"VMS", {
            {Fz, "36-vms-dir.DIR;1  1 19-NOV-2001 21:41 [root,root] (RWE,RWE,RE,RE)", L, D, "36-vms-dir", -1,
             "19-NOV-2001 21:41"},
            {Fz, "37-vms-file;1       155   2-JUL-2003 10:30:13.64", L, F, "37-vms-file;1", -1, "2-JUL-2003 10:30:13.64"},
            {Fz, "38-vms-notime-file;1    2/8    7-JAN-2000    [IV2_XXX]   (RWED,RWED,RE,)", L, F, "38-vms-notime-file;1", -1,
             "7-JAN-2000"},
            {Fz, "39-vms-notime-file;1    6/8    15-JUI-2002    PRONAS   (RWED,RWED,RE,)", L, F, "39-vms-notime-file;1", -1,
             "15-JUI-2002"},
            {Fz, "42-vms-alternate-field-order-file;1   [SUMMARY]    1/3     2-AUG-2006 13:05  (RWE,RWE,RE,)", L, F,
             "42-vms-alternate-field-order-file;1", -1, "2-AUG-2006 13:05"},
            {Fz, "43-vms-alternate-field-order-file;1       17-JUN-1994 17:25:37     6308/13     (RWED,RWED,R,)", L, F,
             "43-vms-alternate-field-order-file;1", -1, "17-JUN-1994 17:25:37"},
            {Fz, "56-VMS-complex-size;1 2KB 23-SEP-2005 14:57:07.27", L, F, "56-VMS-complex-size;1", -1,
             "23-SEP-2005 14:57:07.27"},
            // The name alone on a line of its own, the rest on the next: not read.
            {Fz, "40-vms-multiline-file;1", R, F, "", -1, ""},
            {CnVms, "1-JUN.LIS;1              9/9           2-JUN-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,RE)", L, F,
             "1-JUN.LIS;1", -1, "2-JUN-1998 07:32:04"},
            {CnVms, "DATA.DIR;1               1/9           2-JUN-1998 07:32:04  [TRANSLATED]     (,RWED,RWED,RE)", L, D, "DATA",
             -1, "2-JUN-1998 07:32:04"},
            {CnVms, "120196.TXT;1           118/126        14-APR-1997 12:45:27  [GROUP,OWNER]    (RWED,,RWED,RE)", L, F,
             "120196.TXT;1", -1, "14-APR-1997 12:45:27"},
            {CnVms, "A.;2                    18/18          1-JUL-1998 08:43:20  [GROUP,OWNER]    (RWED,RWED,RWED,RE)", L, F,
             "A.;2", -1, "1-JUL-1998 08:43:20"},
            {CnVms, "UNARCHIVE.COM;1          2/15          7-JUL-1997 16:37:45  [POSTWARE,LP]    (RWE,RWE,RWE,RE)", L, F,
             "UNARCHIVE.COM;1", -1, "7-JUL-1997 16:37:45"},
            {CnVms, "FREEWARE40.DIR;1        27/36         16-FEB-1999 10:01:46  [AP_HTTPD,APACHE$WWW                       "
                    "        (RWE,RWE,RE,RE)", L, D, "FREEWARE40", -1, "16-FEB-1999 10:01:46"},
            {CnVms, "1-JUN.LIS;1              9/9           2-jun-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,RE)", L, F,
             "1-JUN.LIS;1", -1, "2-jun-1998 07:32:04"},
            {CnVms, "ALLOCMISS.COM;1            1         15-AUG-1996 14:10:38  [POSTWARE,LP]    (RWE,RWE,RWE,RE)", L, F,
             "ALLOCMISS.COM;1", -1, "15-AUG-1996 14:10:38"},
            {CnVms, "Directory USER1:[TEMP]", N, F, "", -1, ""},
            {CnVms, "Total 14 files", N, F, "", -1, ""},
            {CnVms, "1-JUN.LIS;2              9/9           JUN-2-1998 07:32:04  [GROUP,OWNER]    (RWED,RWED,RWED,)", R, F, "",
             -1, ""},
        }},

        {"OS/400", {
            {Fz, "QSYS            77824 02/23/00 15:09:55 *DIR 44-ibm-as400 dir/", L, D, "44-ibm-as400 dir", -1,
             "02/23/00 15:09:55"},
            {Fz, "QSYS            77824 23/02/00 15:09:55 *FILE 45-ibm-as400-date file", L, F, "45-ibm-as400-date file", 77824,
             "23/02/00 15:09:55"},
            {Fz, "QPGMR           36864 18.09.06 14:21:26 *FILE      55-AS400.FILE", L, F, "55-AS400.FILE", 36864,
             "18.09.06 14:21:26"},
            {CnOs400, "PEP              4019 04/03/18 18:58:16 *STMF      einladung.zip", L, F, "einladung.zip", 4019,
             "04/03/18 18:58:16"},
            {CnOs400, "PEP               422 04/03/24 14:06:26 *STMF      readme", L, F, "readme", 422, "04/03/24 14:06:26"},
            {CnOs400, "PEP             36864 04/03/24 14:06:34 *DIR       dir1/", L, D, "dir1", -1, "04/03/24 14:06:34"},
            {CnOs400, "PEP              5000000000 04/03/24 14:06:29 *STMF      build.xml", L, F, "build.xml", 5000000000LL,
             "04/03/24 14:06:29"},
            {CnOs400, "ZFTPDEV 9069 05/20/15 15:36:52 *STMF /DRV/AUDWRKSHET/AUDWRK0204232015114625.PDF", L, F,
             "AUDWRK0204232015114625.PDF", 9069, "05/20/15 15:36:52"},
            {CnOs400, "----rwxr-x   1 PEP      0           4019 Mar 18 18:58 einladung.zip", L, X, "einladung.zip", 4019,
             "Mar 18 18:58"},
            {CnOs400, "d---rwxr-x   2 PEP      0          45056 Mar 24 14:06 dir1", L, D, "dir1", -1, "Mar 24 14:06"},
            {CnOs400, "PEP              4019 04/03/18 18:58:16 STMF       einladung.zip", R, F, "", -1, ""},
            {CnOs400, "PEP              6409 04/03/24 30:06:29 *STMF      build.xml", R, F, "", -1, ""},
        }},

        {"MVS", {
            {Fz, "WYOSPT 3420   2003/05/21  1  200  FB      80  8053  PS  60-MVS.FILE", L, F, "60-MVS.FILE", -1, "2003/05/21"},
            {Fz, "WPTA01 3290   2004/03/04  1    3  FB      80  3125  PO  61-MVS.DATASET", L, D, "61-MVS.DATASET", -1,
             "2004/03/04"},
            {Fz, "NRP004 3390   **NONE**    1   15  NONE     0     0  PO  62-MVS-NONEDATE.DATASET", L, D,
             "62-MVS-NONEDATE.DATASET", -1, ""},
            {Fz, "TSO005 3390   2005/06/06 213000 U 0 27998 PO 63-MVS.DATASET", L, D, "63-MVS.DATASET", -1, "2005/06/06"},
            {Fz, "TSO004 3390   VSAM 64-mvs-file", L, F, "64-mvs-file", -1, ""},
            {Fz, "66-MVSPDSMEMBER 01.01 2004/06/22 2004/06/22 16:32   128   128    0 BOBY12", L, F, "66-MVSPDSMEMBER", -1,
             "2004/06/22 16:32"},
            {Fz, "Migrated\t\t\t\t69-SOME.FILE", R, F, "", -1, ""},
            {Fz, "V43525 Tape                                             73-MSV-TAPE.FILE", L, F, "73-MSV-TAPE.FILE", -1, ""},
            {Fz, "WYOSPT 3420   2003/05/21  1 ????  FB      80  8053  PS  79-MVS.FILE", L, F, "79-MVS.FILE", -1, "2003/05/21"},
            {Fz, "GISBWI 3390   2011/08/25  2 ++++  FB     904 18080  PS  80-MVS.FILE", L, F, "80-MVS.FILE", -1, "2011/08/25"},
            {Fz, "WYOSPT 3420   2003/05/21  1 3 U 6447    6447  PO-E 81-MVS.DIR", L, D, "81-MVS.DIR", -1, "2003/05/21"},
            {CnMvs, "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname", N, F, "", -1, ""},
            {CnMvs, "SAVE00 3390   2004/06/23  1    1  FB     128  6144  PS    INCOMING.RPTBM023.D061704", L, F,
             "INCOMING.RPTBM023.D061704", -1, "2004/06/23"},
            {CnMvs, "SAVE01 3390   2004/06/23  1    1  FB     128  6144  PO    INCOMING.RPTBM024.D061704", L, D,
             "INCOMING.RPTBM024.D061704", -1, "2004/06/23"},
            {CnMvs, "SAVE02 3390   2004/06/23  1    1  FB     128  6144  PO-E  INCOMING.RPTBM025.D061704", L, D,
             "INCOMING.RPTBM025.D061704", -1, "2004/06/23"},
            {CnMvs, "PSMLC1 3390   2005/04/04  1    1  VB   27994 27998  PS    file3.I", L, F, "file3.I", -1, "2005/04/04"},
            {CnMvs, "PSMLB9 3390   2005/04/04  1    1  VB   27994 27998  PS    file4.I.BU", L, F, "file4.I.BU", -1,
             "2005/04/04"},
            {CnMvs, "Name      VV.MM   Created       Changed      Size  Init   Mod   Id", N, F, "", -1, ""},
            {CnMvs, "SAVE03    01.03 2002/09/12 2002/10/11 09:37    11    11     0 KIL001", L, F, "SAVE03", -1,
             "2002/10/11 09:37"},
            {CnMvs, "TBSHELF1  01.03 2002/09/12 2002/10/11 09:37    11    11     0 KIL001", L, F, "TBSHELF1", -1,
             "2002/10/11 09:37"},
            {CnMvs, "MigratedP201.$FTXPBI1.$CF2ITB.$AAB0402.I", R, F, "", -1, ""},
            {CnMvs, "PSMLC133902005/04/041VB2799427998PSfile1.I", R, F, "", -1, ""},
        }},

        {"Tandem", {
            {Fz, "57-HP_NonStop 101 528 6-Apr-07 14:21:18 255, 0 \"oooo\"", L, F, "57-HP_NonStop", 528, "6-Apr-07 14:21:18"},
            {Fz, "58-HP_NonStop 101 528 6-Apr-07 14:21:18 255,255 \"oooo\"", L, F, "58-HP_NonStop", 528, "6-Apr-07 14:21:18"},
        }},
    };
    return table;
}

// What is wrong with the parser's reading of a row; empty when it is right.
std::string misreading(const Row &row)
{
    const auto parsed = parseListingLine(row.line, utf8x::decode);
    const auto entry = parsed ? parsed->entry : std::nullopt;
    if (row.outcome == Outcome::Refused)
        return parsed ? "read, though no form should read it" : "";
    if (!parsed)
        return "refused";
    if (row.outcome == Outcome::Nothing)
        return entry ? "listed \"" + entry->name.toStdString() + "\", though the line names nothing to list" : "";
    if (!entry)
        return "nothing listed";
    std::string out;
    if (entry->name != utf8x::decode(row.name))
        out += " name \"" + entry->name.toStdString() + "\"";
    if (entry->kind != row.kind)
        out += " kind " + std::to_string(int(entry->kind));
    if (entry->size != row.size)
        out += " size " + std::to_string(entry->size);
    QByteArray date;
    if (entry->modified.isValid())
        date = entry->modified.toString(Qt::ISODate).toLatin1();
    else if (parsed->dateFrom >= 0)
        date = row.line.mid(parsed->dateFrom, parsed->dateTo - parsed->dateFrom);
    if (date != row.date)
        out += " date \"" + date.toStdString() + "\"";
    return out;
}

} // namespace

// Every line of every kind of server reads as the table says; the tally per
// kind is printed for the record.
TEST(ListingServers, EveryLineReadsAsTheTableSays)
{
    int total = 0;
    for (const Group &group : groups()) {
        int right = 0;
        for (const Row &row : group.rows) {
            const std::string wrong = misreading(row);
            EXPECT_EQ(wrong, "") << group.kind << " line from " << row.source << ": " << row.line.toStdString();
            right += wrong.empty();
        }
        std::printf("%-7s %3d of %3d lines read right\n", group.kind, right, int(group.rows.size()));
        total += int(group.rows.size());
    }
    std::printf("%-7s %3d lines\n", "all", total);
}

// Whatever a line holds, an entry never has an empty name, is never "." or
// "..", and its name never begins inside the line's date (the fault of taking
// the ninth field when a server prints eight: "10:59 .metadata").
TEST(ListingServers, NoEntryIsNamelessOrShifted)
{
    for (const Group &group : groups())
        for (const Row &row : group.rows) {
            const auto parsed = parseListingLine(row.line, utf8x::decode);
            if (!parsed || !parsed->entry)
                continue;
            SCOPED_TRACE(row.line.toStdString());
            const QString &name = parsed->entry->name;
            EXPECT_FALSE(name.isEmpty());
            EXPECT_NE(name, QStringLiteral("."));
            EXPECT_NE(name, QStringLiteral(".."));
            if (parsed->dateFrom < 0)
                continue;
            const QString before = utf8x::decode(row.line.first(parsed->dateFrom));
            const QString after = utf8x::decode(row.line.sliced(parsed->dateTo));
            EXPECT_TRUE(before.contains(name) || after.contains(name)) << name.toStdString();
        }
}
