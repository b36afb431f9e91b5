#include "configuration_file.h"

#include "extract_field.h"
#include "password_scrambler.h"
#include "stored_lists.h"
#include "platform/ini_file.h"
#include "platform/text.h"
#include "config/ascii_extensions.h"

#include <QHash>

namespace kav {

namespace {

const QString Login = QStringLiteral("LOGIN");
const QString Config = QStringLiteral("CONFIG");
const QString Chat = QStringLiteral("CHAT");
const QString IpAddress = QStringLiteral("IPADDRESS");
const QString PasswordSection = QStringLiteral("PASSWORD");
// Profile name = the keyring entry holding its password. The PASSWORD value of
// such a profile stays empty, so a reader that knows no keyring sees an empty
// password rather than something it would take for one.
const QString KeyringSection = QStringLiteral("KEYRING");
const QString KeyringOptionKey = QStringLiteral("KeyringPasswords");

// The first-run editor: the name the file has always carried; the loader
// replaces a name that is no program here by the platform's editor.
const QString FirstRunEditor = QStringLiteral("Ormpad.exe");

} // namespace

QString sizeKeyStem(SizedWindow window)
{
    switch (window) {
    case SizedWindow::LocalBookmarks: return QStringLiteral("LBookmark");
    case SizedWindow::HostBookmarks: return QStringLiteral("RBookmark");
    case SizedWindow::Tools: return QStringLiteral("Tools");
    case SizedWindow::Queue: return QStringLiteral("Queue");
    case SizedWindow::View: return QStringLiteral("View");
    case SizedWindow::Main: return QStringLiteral("Main");
    }
    return {};
}

QSize designSize(SizedWindow window)
{
    // Width, height.
    switch (window) {
    case SizedWindow::LocalBookmarks: return {461, 502};
    case SizedWindow::HostBookmarks: return {461, 502};
    case SizedWindow::Tools: return {451, 502};
    case SizedWindow::Queue: return {566, 496};
    case SizedWindow::View: return {673, 550};
    case SizedWindow::Main: return {697, 562};
    }
    return {};
}

void writeFirstRunValues(IniFile &ini, const LoginOptions &login, int localSplitter, int hostSplitter,
                         const QList<QSize> &windowSizes)
{
    ini.writeString(Login, QStringLiteral("HostName"), QString());
    ini.writeInt(Login, QStringLiteral("Timeout"), login.Timeout);
    ini.writeInt(Login, QStringLiteral("TrialTimes"), login.TrialTimes);
    ini.writeString(Login, QStringLiteral("Editor"), FirstRunEditor);
    ini.writeBool(Login, QStringLiteral("AutoSave"), login.AutoSave);
    ini.writeBool(Login, QStringLiteral("UseLastPath"), login.UseLastPath);

    ini.writeBool(Config, QStringLiteral("StayOnTop"), true);
    ini.writeBool(Config, QStringLiteral("DropFiles"), false);
    ini.writeBool(Config, QStringLiteral("AsciiCheck"), false);
    ini.writeBool(Config, QStringLiteral("BinCheck"), true);
    ini.writeBool(Config, QStringLiteral("AutoCheck"), true);
    ini.writeString(Config, QStringLiteral("TransAscii"), DefaultTransAscii);
    ini.writeBool(Config, QStringLiteral("AntiIdle"), true);
    ini.writeBool(Config, QStringLiteral("SortByName"), true);
    ini.writeInt(Config, QStringLiteral("LocalSplitter"), localSplitter);
    ini.writeInt(Config, QStringLiteral("HostSplitter"), hostSplitter);
    for (int i = 0; i < FirstRunSizedWindowCount; ++i) {
        const auto w = SizedWindow(i);
        writeWindowSize(ini, w, i < windowSizes.size() ? windowSizes[i] : designSize(w));
    }

    ini.writeString(Chat, QStringLiteral("Limit"), QStringLiteral("0"));
    ini.writeString(Chat, QStringLiteral("ServerIP"), QString());
    ini.writeString(Chat, QStringLiteral("NickName"), QString());
    ini.writeString(Chat, QStringLiteral("AutoSave"), QStringLiteral("1"));
    ini.writeString(Chat, QStringLiteral("AutoRun"), QStringLiteral("0"));
    ini.writeString(Chat, QStringLiteral("AutoSync"), QStringLiteral("0"));
    ini.writeString(Chat, QStringLiteral("Figure"), QStringLiteral("1"));
}

namespace {

// The connection options follow the eighth field of an IPADDRESS value: port,
// data mode, security, trusted certificate fingerprint, and the server clock's
// zone offset in minutes (written only when it is not 0); the protocol is the
// fourteenth field, written only for a protocol other than FTP (the zone
// offset's field then stays, empty for none); the number of connections a
// batch is spread over is the fifteenth, written only when it is not 1; the
// sixteenth is "browse" when the panes are browsed together, written only
// then (the fields before each of them stay, empty for their defaults). A
// reader that knows only eight fields stops before them; a missing or unknown
// field means its default.
const QString ModeNames[] = {QStringLiteral("active"), QStringLiteral("passive"), QStringLiteral("auto")};
const QString SecurityNames[] = {QStringLiteral("plain"), QStringLiteral("tls")};
const QString ProtocolNames[] = {QStringLiteral("ftp"), QStringLiteral("sftp")};
const QString BrowseName = QStringLiteral("browse");

ConnectionOptions connectionFromFields(const QString &value)
{
    const QChar sep = QLatin1Char(';');
    ConnectionOptions c;
    const QString protocol = fieldOf(value, sep, 14).trimmed().toLower();
    for (int i = 0; i < 2; ++i)
        if (protocol == ProtocolNames[i])
            c.Kind = Protocol(i);
    bool ok = false;
    const int port = fieldOf(value, sep, 9).trimmed().toInt(&ok);
    c.Port = ok && port > 0 && port <= 65535 ? port : defaultPort(c.Kind);
    const QString mode = fieldOf(value, sep, 10).trimmed().toLower();
    for (int i = 0; i < 3; ++i)
        if (mode == ModeNames[i])
            c.Mode = DataMode(i);
    const QString security = fieldOf(value, sep, 11).trimmed().toLower();
    for (int i = 0; i < 2; ++i)
        if (security == SecurityNames[i])
            c.Encryption = Security(i);
    c.TrustedCertificate = fieldOf(value, sep, 12).trimmed();
    const int offset = fieldOf(value, sep, 13).trimmed().toInt(&ok);
    if (ok && offset >= -MaxZoneOffset && offset <= MaxZoneOffset)
        c.ZoneOffset = offset;
    const int parallel = fieldOf(value, sep, 15).trimmed().toInt(&ok);
    if (ok && parallel >= 1 && parallel <= MaxParallel)
        c.Parallel = parallel;
    c.BrowseTogether = fieldOf(value, sep, 16).trimmed().compare(BrowseName, Qt::CaseInsensitive) == 0;
    return c;
}

QStringList connectionFields(const ConnectionOptions &c)
{
    QStringList fields{QString::number(c.Port), ModeNames[int(c.Mode)], SecurityNames[int(c.Encryption)],
                       c.TrustedCertificate};
    const bool parallel = c.Parallel != 1;
    const bool browse = c.BrowseTogether;
    if (c.ZoneOffset != 0 || c.Kind != Protocol::Ftp || parallel || browse)
        fields << (c.ZoneOffset != 0 ? QString::number(c.ZoneOffset) : QString());
    if (c.Kind != Protocol::Ftp || parallel || browse)
        fields << (c.Kind != Protocol::Ftp ? ProtocolNames[int(c.Kind)] : QString());
    if (parallel || browse)
        fields << (parallel ? QString::number(c.Parallel) : QString());
    if (browse)
        fields << BrowseName;
    return fields;
}

} // namespace

ProfileEntry profileFromValue(const QString &name, const QString &value)
{
    const QChar sep = QLatin1Char(';');
    ProfileEntry e;
    e.HostName = name;
    e.HostIP = fieldOf(value, sep, 1);
    e.UserId = fieldOf(value, sep, 2);
    e.RemotePath = fieldOf(value, sep, 3);
    e.LocalPath = fieldOf(value, sep, 4);
    e.LastLocalDir = fieldOf(value, sep, 5);
    e.LastLocalFile = fieldOf(value, sep, 6);
    e.LastHostDir = fieldOf(value, sep, 7);
    e.LastHostFile = fieldOf(value, sep, 8);
    e.Connection = connectionFromFields(value);
    return e;
}

QString profileValue(const ProfileEntry &e)
{
    QStringList fields{e.HostIP, e.UserId, e.RemotePath, e.LocalPath, e.LastLocalDir, e.LastLocalFile,
                       e.LastHostDir, e.LastHostFile};
    // A profile that keeps the defaults is written exactly as before the
    // connection options existed, so older files round-trip unchanged.
    if (!e.Connection.isDefault())
        fields << connectionFields(e.Connection);
    return joinFields(fields, QLatin1Char(';'));
}

ProfileEntry profileEntryOf(const SessionProfile &p)
{
    return {p.HostName, p.HostIP, p.UserId, p.Password, p.RemotePath, p.LocalPath,
            p.LastLocalDir, p.LastLocalFile, p.LastHostDir, p.LastHostFile, p.Connection, p.KeyringEntry};
}

QList<ProfileEntry> readProfiles(const IniFile &ini, bool withPasswords)
{
    QList<ProfileEntry> out;
    // The lines are taken in file order (the order of the profile list). Only the
    // section header counts as the start: a profile name, path or bookmark that
    // merely contains the word must not be taken for it.
    for (const QString &raw : ini.sectionLines(IpAddress)) {
        const QString line = text::trimmed(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char('[')))
            break;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        if (name.isEmpty())
            continue;
        out << profileFromValue(name, IniFile::cookValue(QStringView(line).mid(eq + 1)));
    }
    if (withPasswords) {
        // One pass over the password section (the first key of a name counts, as
        // in a read of it), not one search per profile: a long profile list
        // would otherwise take a scan of the file for each entry.
        const auto firstValues = [&ini](const QString &section) {
            QHash<QString, QString> values;
            for (const IniFile::Entry &p : ini.entries(section)) {
                const QString key = p.key.toCaseFolded();
                if (!values.contains(key))
                    values.insert(key, p.value);
            }
            return values;
        };
        const QHash<QString, QString> scrambled = firstValues(PasswordSection);
        const QHash<QString, QString> inKeyring = firstValues(KeyringSection);
        for (ProfileEntry &e : out) {
            const QString key = text::trimmedBlanks(e.HostName).toString().toCaseFolded();
            const QString stored = scrambled.value(key);
            e.Password = UnscramblePassword(stored);
            // A password in the file is the newer word (a reader without the
            // keyring wrote it over the empty value): it wins over the marker.
            if (stored.isEmpty())
                e.KeyringEntry = inKeyring.value(key).trimmed();
        }
    }
    return out;
}

LoginOptions readLoginOptions(const IniFile &ini)
{
    LoginOptions o;
    o.HostName = ini.readString(Login, QStringLiteral("HostName"));
    // A stored 0 or less would make every connection fail at once: the fields'
    // own reset values apply, as when the user leaves such a value in them.
    o.Timeout = positiveOr(ini.readInt(Login, QStringLiteral("Timeout"), DefaultTimeout), DefaultTimeout);
    o.TrialTimes = positiveOr(ini.readInt(Login, QStringLiteral("TrialTimes"), DefaultTrialTimes),
                              DefaultTrialTimes);
    o.Editor = ini.readString(Login, QStringLiteral("Editor"));
    o.AutoSave = ini.readBool(Login, QStringLiteral("AutoSave"), true);
    o.UseLastPath = ini.readBool(Login, QStringLiteral("UseLastPath"), true);
    return o;
}

MainOptions readMainOptions(const IniFile &ini, const MainOptions &current)
{
    MainOptions o = current;
    o.StayOnTop = ini.readBool(Config, QStringLiteral("StayOnTop"), true);
    o.DropFiles = ini.readBool(Config, QStringLiteral("DropFiles"), false);
    o.AsciiCheck = ini.readBool(Config, QStringLiteral("AsciiCheck"), false);
    o.BinCheck = ini.readBool(Config, QStringLiteral("BinCheck"), true);
    o.AutoCheck = ini.readBool(Config, QStringLiteral("AutoCheck"), true);
    o.AntiIdle = ini.readBool(Config, QStringLiteral("AntiIdle"), true);
    o.SortByName = ini.readBool(Config, QStringLiteral("SortByName"), true);
    o.LocalSplitter = ini.readInt(Config, QStringLiteral("LocalSplitter"), current.LocalSplitter);
    o.HostSplitter = ini.readInt(Config, QStringLiteral("HostSplitter"), current.HostSplitter);
    return o;
}

QString readTransAscii(const IniFile &ini)
{
    return ini.readString(Config, QStringLiteral("TransAscii"));
}

QSize readWindowSize(const IniFile &ini, SizedWindow window, const QSize &current)
{
    const QString stem = sizeKeyStem(window);
    return {ini.readInt(Config, stem + QStringLiteral("Width"), current.width()),
            ini.readInt(Config, stem + QStringLiteral("Height"), current.height())};
}

std::optional<QPoint> readWindowPosition(const IniFile &ini, SizedWindow window)
{
    const QString stem = sizeKeyStem(window);
    const QString left = stem + QStringLiteral("Left"), top = stem + QStringLiteral("Top");
    if (!ini.hasKey(Config, left) || !ini.hasKey(Config, top))
        return std::nullopt;
    return QPoint(ini.readInt(Config, left, 0), ini.readInt(Config, top, 0));
}

void writeLoginOptions(IniFile &ini, const SessionProfile &p)
{
    ini.writeString(Login, QStringLiteral("HostName"), p.HostName);
    ini.writeInt(Login, QStringLiteral("Timeout"), p.Timeout);
    ini.writeInt(Login, QStringLiteral("TrialTimes"), p.TrialTimes);
    ini.writeString(Login, QStringLiteral("Editor"), p.Editor);
    ini.writeBool(Login, QStringLiteral("AutoSave"), p.AutoSave);
    ini.writeBool(Login, QStringLiteral("UseLastPath"), p.UseLastPath);
}

void writeProfileLine(IniFile &ini, const ProfileEntry &entry)
{
    ini.writeString(IpAddress, entry.HostName, profileValue(entry));
}

void writeSessionProfile(IniFile &ini, const SessionProfile &p, bool withPassword)
{
    writeLoginOptions(ini, p);
    writeProfileLine(ini, profileEntryOf(p));
    if (withPassword)
        writePasswordPlace(ini, p.HostName, p.Password, p.KeyringEntry);
}

void writePasswordPlace(IniFile &ini, const QString &name, const QString &password, const QString &keyringEntry)
{
    if (keyringEntry.isEmpty()) {
        ini.writeString(PasswordSection, name, ScramblePassword(password));
        if (ini.hasKey(KeyringSection, name))
            ini.removeKey(KeyringSection, name);
    } else {
        ini.writeString(PasswordSection, name, QString());
        ini.writeString(KeyringSection, name, keyringEntry);
    }
}

QString readKeyringMarker(const IniFile &ini, const QString &name)
{
    return ini.readString(KeyringSection, name).trimmed();
}

std::optional<bool> readKeyringOption(const IniFile &ini)
{
    if (!ini.hasKey(Login, KeyringOptionKey))
        return std::nullopt;
    return ini.readBool(Login, KeyringOptionKey, false);
}

void writeKeyringOption(IniFile &ini, bool on)
{
    ini.writeBool(Login, KeyringOptionKey, on);
}

void writeMainOptions(IniFile &ini, const MainOptions &o, const QString &transAscii)
{
    // The two inverted options: the start-up toggles flip them back.
    ini.writeBool(Config, QStringLiteral("StayOnTop"), !o.StayOnTop);
    ini.writeBool(Config, QStringLiteral("DropFiles"), !o.DropFiles);
    ini.writeBool(Config, QStringLiteral("AsciiCheck"), o.AsciiCheck);
    ini.writeBool(Config, QStringLiteral("BinCheck"), o.BinCheck);
    ini.writeBool(Config, QStringLiteral("AutoCheck"), o.AutoCheck);
    ini.writeInt(Config, QStringLiteral("LocalSplitter"), o.LocalSplitter);
    ini.writeInt(Config, QStringLiteral("HostSplitter"), o.HostSplitter);
    ini.writeString(Config, QStringLiteral("TransAscii"), transAscii);
    ini.writeBool(Config, QStringLiteral("AntiIdle"), o.AntiIdle);
    ini.writeBool(Config, QStringLiteral("SortByName"), o.SortByName);
}

void writeWindowSize(IniFile &ini, SizedWindow window, const QSize &size)
{
    const QString stem = sizeKeyStem(window);
    ini.writeInt(Config, stem + QStringLiteral("Height"), size.height());
    ini.writeInt(Config, stem + QStringLiteral("Width"), size.width());
}

void writeWindowPosition(IniFile &ini, SizedWindow window, const QPoint &position)
{
    const QString stem = sizeKeyStem(window);
    ini.writeInt(Config, stem + QStringLiteral("Left"), position.x());
    ini.writeInt(Config, stem + QStringLiteral("Top"), position.y());
}

void removeProfile(IniFile &ini, const QString &name)
{
    ini.removeKey(IpAddress, name);
    ini.removeKey(PasswordSection, name);
    if (ini.hasKey(KeyringSection, name))
        ini.removeKey(KeyringSection, name);
    removeNumberedValues(ini, QStringLiteral("QUEUE"), name, QueueCapacity);
    removeNumberedValues(ini, QStringLiteral("RBOOKMARK"), name, HostBookmarkCapacity);
}

} // namespace kav
