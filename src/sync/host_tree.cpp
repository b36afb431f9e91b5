#include "sync/host_tree.h"

#include "ftp/host_path.h"
#include "platform/local_path.h"
#include "remotefs/remote_fs.h"

#include <QCryptographicHash>
#include <QFile>

#include <optional>

namespace kav::sync {

namespace {

// As deep as the host search goes. A server whose listing follows links
// (MLSD's type facts do) shows a link to a parent as a directory; the limit
// ends that walk.
constexpr int MaxDepth = 32;

class Walk {
public:
    Walk(RemoteFs &fs, const Excludes &excludes, const HostScanOptions &options)
        : fs(fs), excludes(excludes), o(options)
    {
    }

    enum class Step { GoOn, End };

    Step visit(Node &dir, const QString &path, int depth)
    {
        if (stop())
            return Step::End;
        if (depth > MaxDepth) {
            dir.listed = false;
            return Step::GoOn;
        }
        const FsResult cwd = fs.changeDirectory(path);
        if (!cwd.ok()) {
            if (!cwd.refused() && !fs.connected())
                return Step::End;
            dir.listed = false;
            return stop() ? Step::End : Step::GoOn;
        }
        QList<Node> children;
        const FsListing listed = fs.list([&](QList<RemoteEntry> &&entries, qsizetype) {
            for (RemoteEntry &e : entries)
                add(children, e);
            count += entries.size();
            return !stop();
        });
        switch (listed) {
        case FsListing::Received: break;
        case FsListing::Refused: dir.listed = false; return Step::GoOn;
        default: return Step::End;   // stopped, or the connection failed
        }
        ++directories;
        if (o.progress)
            o.progress(directories, count);
        tidyChildren(children);
        // A listing without exact times (LIST): MDTM for each file, while the
        // server answers it; one that does not know MDTM is asked once.
        for (Node &child : children) {
            if (!child.isFile() || child.time.known() || !mdtmWorks)
                continue;
            if (stop())
                return Step::End;
            QDateTime t;
            const FsResult r = fs.modificationTime(joinHostPath(path, child.name), &t);
            if (r.ok() && t.isValid())
                child.time = exactTime(t);
            else if (!r.refused())
                mdtmWorks = false;
            if (!fs.connected())
                return Step::End;
        }
        dir.children = std::move(children);
        for (Node &child : dir.children)
            if (child.isDirectory() && visit(child, joinHostPath(path, child.name), depth + 1) == Step::End)
                return Step::End;
        return Step::GoOn;
    }

    bool stop() const { return o.stopRequested && o.stopRequested(); }

private:
    void add(QList<Node> &children, const RemoteEntry &e)
    {
        if (!isSyncableName(e.name) || excludes.excludes(e.name))
            return;
        children.append(nodeOfEntry(e));
    }

    RemoteFs &fs;
    const Excludes &excludes;
    const HostScanOptions &o;
    int directories = 0;
    qint64 count = 0;
    bool mdtmWorks = true;
};

} // namespace

Node nodeOfEntry(const RemoteEntry &e)
{
    Node n;
    n.name = e.name;
    switch (e.kind) {
    case EntryKind::Directory: n.kind = NodeKind::Directory; break;
    case EntryKind::Link: n.kind = NodeKind::Link; break;
    default: n.kind = NodeKind::File; break;
    }
    n.size = n.isFile() ? e.size : -1;
    if (e.modified.isValid())
        n.time = exactTime(e.modified);
    return n;
}

HostScan scanHostTree(RemoteFs &fs, const QString &rootPath, const Excludes &excludes, const HostScanOptions &options)
{
    HostScanOptions o = options;
    if (!o.nowUtc.isValid())
        o.nowUtc = QDateTime::currentDateTimeUtc();
    HostScan scan;
    scan.root.kind = NodeKind::Directory;
    Walk walk(fs, excludes, o);
    scan.complete = walk.visit(scan.root, rootPath, 0) == Walk::Step::GoOn;
    scan.stopped = walk.stop();
    if (scan.stopped)
        scan.complete = false;
    return scan;
}

namespace {

QCryptographicHash::Algorithm hashOf(DigestAlgorithm a)
{
    switch (a) {
    case DigestAlgorithm::Sha1: return QCryptographicHash::Sha1;
    case DigestAlgorithm::Md5: return QCryptographicHash::Md5;
    default: return QCryptographicHash::Sha256;
    }
}

QString nameOf(DigestAlgorithm a)
{
    switch (a) {
    case DigestAlgorithm::Sha1: return QStringLiteral("SHA-1");
    case DigestAlgorithm::Md5: return QStringLiteral("MD5");
    default: return QStringLiteral("SHA-256");
    }
}

QByteArray localDigest(const QString &path, DigestAlgorithm algorithm)
{
    QFile f;
    if (!localpath::open(f, path, QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(hashOf(algorithm));
    if (!hash.addData(&f))
        return {};
    return hash.result();
}

// Each pair of files gets digests of one algorithm on both sides: the
// server's own where it computes one, else SHA-256 of the host file's bytes
// brought over. The way chosen is said in the transcript once, when it changes.
class Digests {
public:
    Digests(RemoteFs &fs, const std::function<bool()> &stop) : fs(fs), stop(stop) {}

    bool into(Node &l, Node &h, const QString &localDir, const QString &hostDir)
    {
        bool goOn = true;
        mergeChildren(&l, &h, [&](const QString &, Node *lc, Node *hc) {
            if (!goOn || !lc || !hc)
                return;
            if (stop && stop()) {
                goOn = false;
                return;
            }
            const QString localPath = localDir + QLatin1Char('/') + lc->name;
            const QString hostPath = joinHostPath(hostDir, hc->name);
            if (lc->isDirectory() && hc->isDirectory())
                goOn = into(*lc, *hc, localPath, hostPath);
            else if (lc->isFile() && hc->isFile() && lc->size == hc->size)
                goOn = pair(*lc, *hc, localPath, hostPath);
        });
        return goOn;
    }

private:
    bool pair(Node &lc, Node &hc, const QString &localPath, const QString &hostPath)
    {
        if (fs.serverDigestAlgorithm() != DigestAlgorithm::None) {
            QByteArray digest;
            const FsResult r = fs.serverDigest(hostPath, &digest);
            if (r.ok()) {
                // The way that answered: the server may have let a stronger one down first.
                const DigestAlgorithm used = fs.serverDigestAlgorithm();
                tell(used);
                hc.digest = digest;
                lc.digest = localDigest(localPath, used);
                return true;
            }
            if (!fs.connected())
                return false;
            // This file (or, now, every file) by its bytes.
        }
        tell(DigestAlgorithm::None);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const FsResult r = fs.retrieve(hostPath, 0, [&](const char *b, int n) {
            hash.addData(QByteArrayView(b, n));
            return !(stop && stop());
        });
        if (r.ok()) {
            hc.digest = hash.result();
            lc.digest = localDigest(localPath, DigestAlgorithm::Sha256);
            return true;
        }
        return fs.connected();
    }

    void tell(DigestAlgorithm way)
    {
        if (told && *told == way)
            return;
        told = way;
        fs.log(TranscriptSide::Local,
               way == DigestAlgorithm::None
                   ? QStringLiteral("호스트 파일을 내려받아 내용을 비교합니다")
                   : QStringLiteral("호스트가 계산한 체크섬(") + nameOf(way) + QStringLiteral(")으로 내용을 비교합니다"));
    }

    RemoteFs &fs;
    const std::function<bool()> &stop;
    std::optional<DigestAlgorithm> told;
};

} // namespace

bool fillDigests(RemoteFs &fs, Node &local, Node &host, const QString &localRoot, const QString &hostRoot,
                 const std::function<bool()> &stopRequested)
{
    const QString localDir = localRoot.endsWith(QLatin1Char('/')) ? localRoot.chopped(1) : localRoot;
    return Digests(fs, stopRequested).into(local, host, localDir, hostRoot);
}

} // namespace kav::sync
