#include "ftp_fs.h"

#include "ftp/host_listing.h"
#include "ftp/session.h"

#include "platform/text.h"


namespace kav {

namespace {

FsOpening openingOf(const DataOpening &o)
{
    FsOpening out;
    switch (o.status) {
    case DataOpening::Status::Opened:
        out.status = FsOpening::Status::Opened;
        break;
    case DataOpening::Status::Failed:
        out.status = FsOpening::Status::Failed;
        break;
    case DataOpening::Status::Refused:
        out.status = FsOpening::Status::Refused;
        break;
    case DataOpening::Status::Declined:
        out.status = FsOpening::Status::Declined;
        break;
    }
    out.answer = fsResultOf(o.reply, o.reply.opensData());
    out.expectedSize = o.expectedSize;
    out.restartedAt = o.restartedAt;
    out.restartRefused = o.restartRefused;
    return out;
}

FsListing listingOf(const DataOpening &o)
{
    return o.status == DataOpening::Status::Refused ? FsListing::Refused : FsListing::Failed;
}

FsListing readOutcome(ListingRead read)
{
    switch (read) {
    case ListingRead::Complete:
        return FsListing::Received;
    case ListingRead::Stopped:
        return FsListing::Stopped;
    case ListingRead::Failed:
        break;
    }
    return FsListing::Broken;
}

// "YYYYMMDDHHMMSS" with an optional fraction, in UTC (RFC 3659's time-val).
QDateTime timeValue(QStringView text)
{
    const QStringView whole = text.left(14);
    if (whole.size() != 14)
        return {};
    for (const QChar c : whole)
        if (!c.isDigit() || c.unicode() > '9')
            return {};
    // Date and time apart: a time in a local clock change is still a UTC time.
    const QDate date = QDate::fromString(whole.left(8).toString(), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(whole.mid(8).toString(), QStringLiteral("HHmmss"));
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC);
}

} // namespace

namespace {

// The server does not know the command at all (as opposed to refusing it for
// this file): RFC 959's 500, 502 and 504.
bool commandUnknown(const Reply &reply)
{
    return reply.answered && (reply.code == 500 || reply.code == 502 || reply.code == 504);
}

} // namespace

FsResult fsResultOf(const Reply &reply, bool done)
{
    FsResult r;
    r.code = reply.code;
    r.text = reply.text;
    r.answered = reply.answered;
    if (done && reply.answered)
        r.status = FsResult::Status::Done;
    else if (reply.code == 550 || reply.code == 553)
        r.status = FsResult::Status::Refused;
    else
        r.status = FsResult::Status::Failed;
    return r;
}

FtpFs::FtpFs(Session &session) : ftpSession(session)
{
    connect(&session, &Session::hostDirectoryReported, this, &RemoteFs::directoryReported);
    connect(&session, &Session::loggedIn, this, [this] { forgetLearnt(); });
}

void FtpFs::forgetLearnt()
{
    timeSetter = TimeSetter::Mfmt;
    digestCommandsUnknown.clear();
    hashInForce.clear();
}

bool FtpFs::connected() const { return ftpSession.isConnected(); }
bool FtpFs::transferUnderWay() const { return ftpSession.dataTransferUnderWay(); }
void FtpFs::cancel() { ftpSession.cancel(); }
void FtpFs::drop() { ftpSession.drop(); }
void FtpFs::hangUp() { ftpSession.hangUp(); }
bool FtpFs::stillThere() { return ftpSession.stillThere(); }
void FtpFs::log(TranscriptSide side, const QString &text) { ftpSession.log(side, text); }

// ---- directories ---------------------------------------------------------------------

FsListing FtpFs::list(const EntrySink &consume, const std::function<void()> &opened)
{
    ftpSession.command(QStringLiteral("TYPE A"));
    const DataOpening opening = openEntryListing(ftpSession);
    if (!opening.opened())
        return listingOf(opening);
    if (opened)
        opened();
    int unread = 0;   // lines no form of the parser knows: skipped, and said once
    const ListingRead read = readListing(ftpSession, [&](const QList<QByteArrayView> &lines, qsizetype bytes) {
        QList<RemoteEntry> entries;
        entries.reserve(lines.size());
        const Session::TextDecoder decode = ftpSession.textDecoder();
        for (const QByteArrayView raw : lines) {
            auto parsed = parseListingLine(raw, decode);
            if (!parsed)
                ++unread;
            else if (parsed->entry)
                entries.append(std::move(*parsed->entry));
        }
        return consume(std::move(entries), bytes);
    });
    if (unread > 0)
        ftpSession.log(TranscriptSide::Host, unreadListingLinesNote(unread));
    return readOutcome(read);
}

FsResult FtpFs::changeDirectory(const QString &path)
{
    const Reply reply = ftpSession.command(QStringLiteral("CWD ") + path);
    return fsResultOf(reply, reply.code == 250);
}

QString FtpFs::reportDirectory()
{
    const Reply reply = ftpSession.command(QStringLiteral("PWD"));
    return reply.code == 257 ? ExtractQuoted(reply.text, QLatin1Char('"')) : QString();
}

FsResult FtpFs::makeDirectory(const QString &path)
{
    const Reply reply = ftpSession.command(QStringLiteral("MKD ") + path);
    return fsResultOf(reply, reply.code == 257);
}

FsResult FtpFs::removeDirectory(const QString &path)
{
    const Reply reply = ftpSession.command(QStringLiteral("RMD ") + path);
    return fsResultOf(reply, reply.code == 250);
}

// ---- files -------------------------------------------------------------------------------

FsResult FtpFs::rename(const QString &from, const QString &to)
{
    Reply reply = ftpSession.command(QStringLiteral("RNFR ") + from);
    if (reply.code != 350) {
        // The server will not rename this file, whatever its code says.
        FsResult r = fsResultOf(reply, false);
        if (reply.answered)
            r.status = FsResult::Status::Refused;
        return r;
    }
    reply = ftpSession.command(QStringLiteral("RNTO ") + to);
    return fsResultOf(reply, reply.isPositive());
}

FsResult FtpFs::remove(const QString &path)
{
    const Reply reply = ftpSession.command(QStringLiteral("DELE ") + path);
    return fsResultOf(reply, reply.isPositive());
}

FsResult FtpFs::changeMode(const QString &path, const QString &octalMode)
{
    const Reply reply = ftpSession.command(QStringLiteral("SITE CHMOD ") + octalMode + QLatin1Char(' ') + path);
    return fsResultOf(reply, reply.code == 200);
}

FsResult FtpFs::size(const QString &path, qint64 *bytes)
{
    const Reply reply = ftpSession.command(QStringLiteral("SIZE ") + path);
    // "213 " then the size in decimal, nothing else (RFC 3659).
    const qint64 n = reply.code == 213 ? kav::text::decimalOrUnknown(QStringView(reply.text).mid(4).trimmed()) : -1;
    if (bytes)
        *bytes = n;
    return fsResultOf(reply, n >= 0);
}

FsResult FtpFs::modificationTime(const QString &path, QDateTime *time)
{
    const Reply reply = ftpSession.command(QStringLiteral("MDTM ") + path);
    const QDateTime t = reply.code == 213 ? timeValue(QStringView(reply.text).mid(4).trimmed()) : QDateTime();
    if (time)
        *time = t;
    return fsResultOf(reply, t.isValid());
}

FsResult FtpFs::setModificationTime(const QString &path, const QDateTime &time)
{
    const QString stamp = time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss"));
    Reply reply;
    if (timeSetter == TimeSetter::Mfmt) {
        reply = ftpSession.command(QStringLiteral("MFMT ") + stamp + QLatin1Char(' ') + path);
        if (!commandUnknown(reply))
            return fsResultOf(reply, reply.isPositive());
        timeSetter = TimeSetter::SiteUtime;
    }
    if (timeSetter == TimeSetter::SiteUtime) {
        // Access, modification and creation time, all the same, in UTC.
        reply = ftpSession.command(QStringLiteral("SITE UTIME ") + path + QLatin1Char(' ') + stamp + QLatin1Char(' ')
                                   + stamp + QLatin1Char(' ') + stamp + QStringLiteral(" UTC"));
        if (!commandUnknown(reply) && reply.code != 501)
            return fsResultOf(reply, reply.isPositive());
        // 501: a server that reads only the short form.
        timeSetter = reply.code == 501 ? TimeSetter::SiteUtimeShort : TimeSetter::None;
    }
    if (timeSetter == TimeSetter::SiteUtimeShort) {
        reply = ftpSession.command(QStringLiteral("SITE UTIME ") + stamp + QLatin1Char(' ') + path);
        if (!commandUnknown(reply) && reply.code != 501)
            return fsResultOf(reply, reply.isPositive());
        timeSetter = TimeSetter::None;
    }
    FsResult none = fsResultOf(reply, false);
    none.status = FsResult::Status::Failed;   // never a refusal of this one file
    return none;
}

// ---- digests the server computes ------------------------------------------------------

FtpFs::DigestWay FtpFs::digestWay() const
{
    const ServerFeatures &f = ftpSession.features();
    struct Candidate {
        DigestAlgorithm algorithm;
        const char *command;
        const char *hashName;
        bool offered;
    };
    // The strongest first; HASH before the older command of the same algorithm.
    const Candidate candidates[] = {
        {DigestAlgorithm::Sha256, "HASH", "SHA-256", f.hashAlgorithms.contains(QLatin1String("SHA-256"))},
        {DigestAlgorithm::Sha256, "XSHA256", "", f.hasXsha256},
        {DigestAlgorithm::Sha1, "HASH", "SHA-1", f.hashAlgorithms.contains(QLatin1String("SHA-1"))},
        {DigestAlgorithm::Sha1, "XSHA1", "", f.hasXsha1},
        {DigestAlgorithm::Md5, "HASH", "MD5", f.hashAlgorithms.contains(QLatin1String("MD5"))},
        {DigestAlgorithm::Md5, "XMD5", "", f.hasXmd5},
    };
    for (const Candidate &c : candidates) {
        const QString command = QLatin1String(c.command);
        if (c.offered && !digestCommandsUnknown.contains(command))
            return {c.algorithm, command, QLatin1String(c.hashName)};
    }
    return {};
}

DigestAlgorithm FtpFs::serverDigestAlgorithm() { return digestWay().algorithm; }

FsResult FtpFs::serverDigest(const QString &path, QByteArray *digest)
{
    if (digest)
        digest->clear();
    const DigestWay way = digestWay();
    if (way.algorithm == DigestAlgorithm::None)
        return RemoteFs::serverDigest(path, digest);
    const auto giveUp = [&] {
        // Not this way again on this connection; the next one, if any.
        digestCommandsUnknown << way.command;
        return serverDigest(path, digest);
    };
    if (way.command == QLatin1String("HASH") && hashInForce != way.hashName) {
        // Each server chooses the algorithm in force; ours is said once.
        const Reply reply = ftpSession.command(QStringLiteral("OPTS HASH ") + way.hashName);
        if (reply.code != 200)
            return reply.answered ? giveUp() : fsResultOf(reply, false);
        hashInForce = way.hashName;
    }
    const Reply reply = ftpSession.command(way.command + QLatin1Char(' ') + path);
    if (commandUnknown(reply))
        return giveUp();
    if (!reply.isPositive())
        return fsResultOf(reply, false);
    // HASH: "213 SHA-256 0-49 <hex> name"; the X commands: "250 <hex>".
    const qsizetype hexLength = way.algorithm == DigestAlgorithm::Sha256 ? 64 : way.algorithm == DigestAlgorithm::Sha1 ? 40 : 32;
    for (const QStringView word : QStringView(reply.text).mid(4).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (word.size() != hexLength)
            continue;
        const QByteArray bytes = QByteArray::fromHex(word.toLatin1());
        if (bytes.size() * 2 == hexLength && bytes.toHex() == word.toLatin1().toLower()) {
            if (digest)
                *digest = bytes;
            return fsResultOf(reply, true);
        }
    }
    // An answer without a digest in it: this way tells nothing here.
    return giveUp();
}

// ---- a file's data ----------------------------------------------------------------------

FsOpening FtpFs::openRead(const QString &path, qint64 offset, const std::function<bool(const FsOpening &)> &beforeData)
{
    std::function<bool(const DataOpening &)> before;
    if (beforeData)
        before = [&beforeData](const DataOpening &o) { return beforeData(openingOf(o)); };
    DataRestart restart;
    restart.offset = offset;
    return openingOf(ftpSession.openData(QStringLiteral("RETR ") + path, before, restart));
}

FsOpening FtpFs::openWrite(const QString &path, qint64 offset, bool append)
{
    if (append)
        return openingOf(ftpSession.openData(QStringLiteral("APPE ") + path));
    // A server that takes no REST before STOR may still append.
    const DataRestart restart = offset > 0 ? DataRestart{offset, QStringLiteral("APPE ") + path} : DataRestart{};
    DataOpening opening = ftpSession.openData(QStringLiteral("STOR ") + path, {}, restart);
    if (opening.status == DataOpening::Status::Refused && opening.restartRefused && opening.reply.code >= 500
        && opening.reply.code <= 504) {
        // Neither REST nor APPE is known here: the whole file, the user told.
        ftpSession.log(TranscriptSide::Host,
                       QStringLiteral("서버가 이어올리기(REST, APPE)를 받아들이지 않아 파일을 처음부터 보냅니다."));
        opening = ftpSession.openData(QStringLiteral("STOR ") + path);
    }
    return openingOf(opening);
}

int FtpFs::read(char *buffer, int size) { return ftpSession.receiveData(buffer, size); }
int FtpFs::write(const char *data, int size) { return ftpSession.sendData(data, size); }
void FtpFs::closeTransfer() { ftpSession.closeData(); }

FsResult FtpFs::finishTransfer()
{
    const Reply reply = ftpSession.finishData();
    return fsResultOf(reply, reply.isPositive());
}

// ---- FTP's own ---------------------------------------------------------------------------

int FtpFs::transferType() const { return int(ftpSession.transferType()); }

void FtpFs::setTransferType(int type)
{
    if (type == int(TransferType::Ascii))
        ftpSession.command(QStringLiteral("TYPE A"));
    else if (type == int(TransferType::Image))
        ftpSession.command(QStringLiteral("TYPE I"));
}

FsResult FtpFs::rawCommand(const QString &command)
{
    const Reply reply = ftpSession.command(command);
    return fsResultOf(reply, reply.isPositive());
}

namespace {
QString listCommand(const QString &arguments)
{
    return arguments.isEmpty() ? QStringLiteral("LIST") : QStringLiteral("LIST ") + arguments;
}
} // namespace

FsListing FtpFs::listLines(const QString &arguments,
                           const std::function<bool(const QList<QByteArrayView> &, qsizetype)> &consume)
{
    const DataOpening opening = ftpSession.openData(listCommand(arguments));
    if (!opening.opened())
        return listingOf(opening);
    return readOutcome(readListing(ftpSession, consume));
}

FsOpening FtpFs::openList(const QString &arguments) { return openingOf(ftpSession.openData(listCommand(arguments))); }

QString FtpFs::decodeName(QByteArrayView bytes) const { return ftpSession.decodeText(bytes); }
void FtpFs::noteServerText(QByteArrayView line) { ftpSession.noteServerText(line); }
bool FtpFs::activeModeRefused() const { return ftpSession.activeModeRefused(); }

} // namespace kav
