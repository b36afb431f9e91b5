// Comparing two trees beside listing them: a local tree and a host tree of
// the same files (directories x files each, default 100 x 100), served by
// pyftpdlib on loopback. Each round times, in rotating order over the same
// span (from the first request to the last answer):
//   listings - the ceiling: every host directory entered and listed through
//              the remote file system, and every local directory read with
//              each entry's size and time;
//   compare  - the local tree read, the host tree read, and the plan made.
// The goal: compare within 20% of the listings. The plan must be empty (the
// trees are alike), so a sync of them would transfer nothing.
//
//   bench/run sync_compare_bench [directories] [files] [rounds]

#include "bench_support.h"
#include "ftp_server.h"
#include "recording_ui.h"

#include "ftp/host_path.h"
#include "ftp/session.h"
#include "platform/local_path.h"
#include "platform/winsock.h"
#include "remotefs/ftp_fs.h"
#include "sync/host_tree.h"
#include "sync/sync_plan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <cstdlib>

using namespace kav;

namespace {

void makeTree(const QString &root, int dirs, int files, const QDateTime &when)
{
    for (int d = 0; d < dirs; ++d) {
        const QString dir = root + QStringLiteral("/dir%1").arg(d, 3, 10, QLatin1Char('0'));
        QDir().mkpath(dir);
        for (int f = 0; f < files; ++f) {
            const QString path = dir + QStringLiteral("/file%1.txt").arg(f, 4, 10, QLatin1Char('0'));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly))
                std::exit(2);
            out.write(QByteArray::number(d * files + f));
            out.close();
            localpath::setModified(path, when);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    kavbench::HeadlessApp app(argc, argv);
    const int dirs = argc > 1 ? std::atoi(argv[1]) : 100;
    const int files = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
    const QString base = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
    const QString local = base + QStringLiteral("/local"), home = base + QStringLiteral("/home");
    const QDateTime when = QDateTime::fromSecsSinceEpoch((QDateTime::currentSecsSinceEpoch() - 86400) / 60 * 60, Qt::UTC);
    makeTree(local, dirs, files, when);
    makeTree(home, dirs, files, when);

    ws::startup();
    kavtest::FtpServer server;
    server.addUser("kim", "secret", home.toStdString());
    if (!server.start()) {
        std::fprintf(stderr, "pyftpdlib did not start\n");
        return 1;
    }
    kavtest::RecordedSession client;
    SessionProfile &p = client.profile();
    p.HostName = QStringLiteral("bench");
    p.HostIP = QStringLiteral("127.0.0.1");
    p.UserId = QStringLiteral("kim");
    p.Password = QStringLiteral("secret");
    client.flow.BB_ConnectClick(false);
    FtpFs fs(client.session);
    if (!fs.connected()) {
        std::fprintf(stderr, "no login\n");
        return 1;
    }

    auto listings = [&] {
        qint64 entries = 0;
        // The local side as a pane lists it: names with their sizes and times.
        for (const localpath::EntryFacts &d : localpath::entryFacts(local))
            entries += localpath::entryFacts(local + QLatin1Char('/') + d.path).size();
        fs.changeDirectory(QStringLiteral("/"));
        QStringList names;
        fs.list([&](QList<RemoteEntry> &&es, qsizetype) {
            for (const RemoteEntry &e : es)
                if (e.kind == EntryKind::Directory)
                    names << e.name;
            return true;
        });
        for (const QString &n : names) {
            fs.changeDirectory(joinHostPath(QStringLiteral("/"), n));
            fs.list([&](QList<RemoteEntry> &&es, qsizetype) {
                entries += es.size();
                return true;
            });
        }
        return entries;
    };
    qsizetype planned = -1;
    auto compare = [&] {
        const sync::Node l = sync::scanLocalTree(local, sync::Excludes());
        const sync::HostScan h = sync::scanHostTree(fs, QStringLiteral("/"), sync::Excludes(), {});
        const sync::Plan plan = sync::planSync(l, h.root, {sync::Direction::ToHost, sync::ByTime | sync::BySize}, nullptr);
        planned = plan.actions.size();
        return sync::countTree(h.root).files;
    };

    std::vector<double> tList, tCompare;
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < 2; ++k) {
            const bool listFirst = (r + k) % 2 == 0;
            QElapsedTimer t;
            t.start();
            if (listFirst)
                listings();
            else
                compare();
            (listFirst ? tList : tCompare).push_back(t.nsecsElapsed() / 1e6);
        }
    }
    auto show = [](const char *name, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        std::printf("%-10s median %8.1f ms  (fastest %8.1f, slowest %8.1f)\n", name, kavbench::median(v), v.front(),
                    v.back());
    };
    std::printf("%d directories x %d files, %d rounds, pyftpdlib MLSD on loopback\n", dirs, files, rounds);
    show("listings", tList);
    show("compare", tCompare);
    const double ratio = kavbench::median(tCompare) / kavbench::median(tList);
    std::printf("compare / listings: %.2f  (ceiling: the listings, 1.00; goal: at most 1.20)\n", ratio);
    std::printf("actions proposed for alike trees: %lld (must be 0)\n", static_cast<long long>(planned));
    return planned == 0 ? 0 : 1;
}
