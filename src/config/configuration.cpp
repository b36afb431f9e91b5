#include "configuration.h"

#include "platform/dialogs.h"
#include "platform/editor_lookup.h"
#include "platform/ini_file.h"
#include "platform/keyring.h"
#include "platform/settings_dir.h"
#include "config/ascii_extensions.h"

#include "platform/text.h"

#include <QCoreApplication>

#include <algorithm>

namespace kav {

namespace {

class KeptWindowSize : public WindowSizeHolder {
public:
    explicit KeptWindowSize(QSize size) : size(size) {}
    QSize windowSize() const override { return size; }
    void setWindowSize(const QSize &s) override { size = s; }

private:
    QSize size;
};

template <typename T>
void plug(ListHolder<T> *&slot, ListHolder<T> *holder, KeptList<T> &kept)
{
    ListHolder<T> *next = holder ? holder : &kept;
    if (next == slot)
        return;
    next->load(slot->entries());
    slot = next;
}

bool sameProfile(const QString &a, const QString &b)
{
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

Configuration::Configuration(SessionProfile &profile, ProfileList &profiles, MainWindowSettings &main,
                             AsciiExtensionList &extensions, QWidget *messageParent)
    : session(profile), profiles(profiles), main(main),
      extensions(extensions), messageParent(messageParent), bookmarks(&keptBookmarks),
      toolList(&keptTools), hostMarks(&keptHostMarks), queueList(&keptQueue)
{
    for (int i = 0; i < SizedWindowCount; ++i) {
        keptSizes[i] = std::make_unique<KeptWindowSize>(designSize(SizedWindow(i)));
        sizes[i] = keptSizes[i].get();
    }
}

Configuration::~Configuration() = default;

QString Configuration::path() const
{
    return filePath.isEmpty() ? configurationFilePath() : filePath;
}

void Configuration::setLocalBookmarks(ListHolder<QString> *holder) { plug(bookmarks, holder, keptBookmarks); }
void Configuration::setTools(ListHolder<QString> *holder) { plug(toolList, holder, keptTools); }
void Configuration::setHostBookmarks(ListHolder<HostBookmark> *holder) { plug(hostMarks, holder, keptHostMarks); }
void Configuration::setQueue(ListHolder<QueueEntry> *holder) { plug(queueList, holder, keptQueue); }

void Configuration::setWindowSizeHolder(SizedWindow window, WindowSizeHolder *holder)
{
    const int i = int(window);
    WindowSizeHolder *next = holder ? holder : keptSizes[i].get();
    if (next == sizes[i])
        return;
    next->setWindowSize(sizes[i]->windowSize());
    sizes[i] = next;
}

QSize Configuration::windowSize(SizedWindow window) const
{
    return sizes[int(window)]->windowSize();
}

void Configuration::applyLoginOptions(const LoginOptions &o)
{
    LoginOptions shown = o;
    shown.Editor = resolveEditor(o.Editor);
    profiles.setOptions(shown);
}

void Configuration::writeFirstRun(IniFile &ini)
{
    const MainOptions current = main.mainOptions();
    QList<QSize> windowSizes;
    for (WindowSizeHolder *h : sizes)
        windowSizes << h->windowSize();
    writeFirstRunValues(ini, profiles.options(), current.LocalSplitter, current.HostSplitter, windowSizes);
    commit(ini);
}

bool Configuration::openForChange(IniFile &ini)
{
    if (!canWrite)
        return false;
    ini.setPath(path());
    if (ini.load() == IniFile::LoadResult::Unreadable) {
        if (!saveFailureShown) {
            saveFailureShown = true;
            informationBox(QStringLiteral("설정 파일을 읽을 수 없어 설정을 저장하지 못했습니다.\n") + ini.path(),
                           messageParent);
        }
        return false;
    }
    return true;
}

bool Configuration::commit(IniFile &ini)
{
    if (ini.save())
        return true;
    if (saveFailureShown)
        return false;
    saveFailureShown = true;
    informationBox(QStringLiteral("설정 파일을 저장하지 못했습니다.\n") + ini.path() + QStringLiteral("\n")
                       + ini.errorString(),
                   messageParent);
    return false;
}

void Configuration::useExtensions(const QString &stored)
{
    extensions.loadStored(stored);
    main.extensionsLoaded();
    main.setLocalSearchPatterns(localSearchPatterns(extensions.items()));
}

void Configuration::LoadConfiguration()
{
    profiles.clear();
    QCoreApplication::processEvents();

    IniFile ini(path());
    switch (ini.load()) {
    case IniFile::LoadResult::Missing:
        // Only a missing file is created; the controls keep their design values.
        // The extension list is the one the new file holds: an empty list would
        // treat every text file as binary and write itself back empty at the exit.
        writeFirstRun(ini);
        useExtensions(DefaultTransAscii);
        if (keyringOptionAtStart(ini)) {
            LoginOptions o = profiles.options();
            o.KeyringPasswords = true;
            profiles.setOptions(o);
        }
        return;
    case IniFile::LoadResult::Unreadable:
        // Never replace a file the user has (and may still be able to recover)
        // with first-run values: run on the design values and write nothing.
        canWrite = false;
        informationBox(QStringLiteral("설정 파일을 읽을 수 없습니다. 기본 설정으로 실행하며, "
                                      "이번 실행에서는 설정을 저장하지 않습니다.\n")
                           + ini.path() + QStringLiteral("\n") + ini.errorString(),
                       messageParent);
        return;
    case IniFile::LoadResult::Loaded:
        break;
    }

    for (const ProfileEntry &e : readProfiles(ini))
        profiles.append(e);

    LoginOptions login = readLoginOptions(ini);
    login.KeyringPasswords = keyringOptionAtStart(ini);
    applyLoginOptions(login);

    profiles.choose(-1);
    int index = profiles.indexOf(login.HostName);
    if (index < 0 && profiles.count() > 0)
        index = 0;
    profiles.choose(index);

    const MainOptions options = readMainOptions(ini, main.mainOptions());
    main.setMainOptions(options);
    // The loader's own values for the remembered type; every connection starts
    // again from "unknown", so they never hold back a TYPE command.
    main.setRememberedTransferType(options.AsciiCheck ? 0 : 1);

    useExtensions(readTransAscii(ini));

    for (int i = 0; i < SizedWindowCount; ++i) {
        sizes[i]->setWindowSize(readWindowSize(ini, SizedWindow(i), sizes[i]->windowSize()));
        if (const auto position = readWindowPosition(ini, SizedWindow(i)))
            sizes[i]->setWindowPosition(*position);
    }

    bookmarks->load(readLocalBookmarks(ini));
    toolList->load(readTools(ini));

    // Passwords an older build (or the user's own choice in a failure) left in
    // the file move into the keyring now that it answers.
    const bool inFile = std::any_of(profiles.entries().begin(), profiles.entries().end(),
                                    [](const ProfileEntry &e) { return !e.Password.isEmpty(); });
    if (login.KeyringPasswords && inFile)
        movePasswords(true);
}

bool Configuration::keyringOptionAtStart(const IniFile &ini)
{
    const std::optional<bool> stored = readKeyringOption(ini);
    if (stored && !*stored)
        return false;
    const KeyringResult probe = keyring().probe();
    if (!stored) {
        keyringMissingAtStart = !probe.answered();
        return probe.answered();
    }
    if (!probe.answered())
        note(QStringLiteral("[키링] 시스템 키링에 연결하지 못했습니다: ") + keyringStatusText(probe.status)
             + QStringLiteral(". 접속할 때 비밀번호를 묻습니다."));
    return true;
}

void Configuration::note(const QString &line)
{
    if (logLine)
        logLine(line);
}

void Configuration::dropEntries(const QStringList &entries)
{
    for (const QString &entry : entries) {
        const KeyringResult r = keyring().remove(entry);
        if (!r.ok())
            note(QStringLiteral("[키링] 지난 비밀번호 항목을 지우지 못했습니다 (") + entry + QStringLiteral("): ")
                 + keyringStatusText(r.status));
    }
}

QString Configuration::keyringEntryOf(const QString &name) const
{
    return savedEntries.value(text::trimmedBlanks(name).toString().toCaseFolded());
}

bool Configuration::placePassword(IniFile &ini, SessionProfile &p, QStringList &stale)
{
    // The entry this profile's marker names in the file now: its own password.
    const QString own = readKeyringMarker(ini, p.HostName);
    const QString entry = keyringEntryName(p.HostName, p.HostIP);
    const auto forget = [&](const QString &old) {
        if (!old.isEmpty() && old != p.KeyringEntry && old == own && !stale.contains(old))
            stale << old;
    };

    if (p.Password.isEmpty() && !p.KeyringEntry.isEmpty()) {
        // The password was never taken out of the keyring: it stays there,
        // under the name and host the profile has now.
        const QString from = p.KeyringEntry;
        if (from != entry) {
            const KeyringResult read = keyring().read(from);
            if (read.ok() && keyring().write(entry, read.password).ok()) {
                p.KeyringEntry = entry;
                forget(from);
            } else {
                note(QStringLiteral("[키링] 비밀번호 항목의 이름을 바꾸지 못해 예전 이름으로 둡니다: ")
                     + keyringStatusText(read.ok() ? KeyringStatus::Refused : read.status));
            }
        }
        forget(own);
        return true;
    }

    if (p.Password.isEmpty() || !profiles.options().KeyringPasswords) {
        // The file's way: the scrambled password (an empty one for none).
        p.KeyringEntry.clear();
        forget(own);
        if (!p.Password.isEmpty() && keyringMissingAtStart) {
            keyringMissingAtStart = false;  // said once a run
            note(QStringLiteral("[키링] 시스템 키링이 없어 비밀번호를 설정 파일에 저장했습니다."));
        }
        return true;
    }

    const KeyringResult written = keyring().write(entry, p.Password);
    if (written.ok()) {
        p.KeyringEntry = entry;
        forget(own);
        return true;
    }
    note(QStringLiteral("[키링] 비밀번호를 키링에 저장하지 못했습니다: ") + keyringStatusText(written.status));
    // Never into the file behind the user's back.
    if (confirmBox(QStringLiteral("비밀번호를 시스템 키링에 저장하지 못했습니다 (") + keyringStatusText(written.status)
                       + QStringLiteral(").\n이번에는 비밀번호를 설정 파일에 저장할까요?"),
                   messageParent)) {
        p.KeyringEntry.clear();
        forget(own);
        return true;
    }
    p.KeyringEntry = own;
    return false;
}

bool Configuration::movePasswords(bool toKeyring)
{
    IniFile ini;
    if (!openForChange(ini))
        return false;
    const QList<ProfileEntry> stored = readProfiles(ini);
    QStringList stale;
    int moved = 0, failed = 0;
    KeyringStatus failure = KeyringStatus::Ok;
    QList<ProfileEntry> changed;
    for (ProfileEntry e : stored) {
        if (toKeyring) {
            if (e.Password.isEmpty())
                continue;
            const QString entry = keyringEntryName(e.HostName, e.HostIP);
            const KeyringResult r = keyring().write(entry, e.Password);
            if (!r.ok()) {
                ++failed;
                failure = r.status;
                continue;
            }
            e.Password.clear();
            e.KeyringEntry = entry;
        } else {
            if (e.KeyringEntry.isEmpty())
                continue;
            const KeyringResult r = keyring().read(e.KeyringEntry);
            if (!r.ok() && r.status != KeyringStatus::NotFound) {
                ++failed;
                failure = r.status;
                continue;
            }
            stale << e.KeyringEntry;
            e.Password = r.password;
            e.KeyringEntry.clear();
        }
        writePasswordPlace(ini, e.HostName, e.Password, e.KeyringEntry);
        changed << e;
        ++moved;
    }
    // Turning the option on with no keyring to take anything: it stays off.
    if (toKeyring && failed > 0 && moved == 0 && failure != KeyringStatus::Ok) {
        note(QStringLiteral("[키링] 비밀번호를 키링으로 옮기지 못했습니다: ") + keyringStatusText(failure));
        informationBox(QStringLiteral("비밀번호를 시스템 키링으로 옮기지 못했습니다: ") + keyringStatusText(failure)
                           + QStringLiteral(".\n비밀번호는 설정 파일에 그대로 둡니다."),
                       messageParent);
        return false;
    }
    if (toKeyring && moved == 0 && profiles.options().KeyringPasswords && readKeyringOption(ini))
        return true;  // nothing to move and nothing to note: the file stays as it is
    writeKeyringOption(ini, toKeyring);
    if (!commit(ini))
        return false;  // the keyring's copies stay; the file still holds every password as before

    // The in-memory profiles follow the file; passwords now in the keyring leave memory.
    for (const ProfileEntry &e : changed) {
        savedEntries.insert(text::trimmedBlanks(e.HostName).toString().toCaseFolded(), e.KeyringEntry);
        const int i = profiles.indexOf(e.HostName);
        if (i < 0)
            continue;
        ProfileEntry shown = profiles.at(i);
        shown.Password = e.Password;
        shown.KeyringEntry = e.KeyringEntry;
        profiles.set(i, shown);
        if (sameProfile(session.HostName, e.HostName) && session.Password.isEmpty())
            session.KeyringEntry = e.KeyringEntry;
    }
    LoginOptions o = profiles.options();
    o.KeyringPasswords = toKeyring;
    profiles.setOptions(o);
    dropEntries(stale);
    if (failed > 0) {
        note(QStringLiteral("[키링] 비밀번호 %1개를 옮기지 못했습니다: ").arg(failed) + keyringStatusText(failure));
        informationBox(QStringLiteral("비밀번호 %1개를 옮기지 못해 지금 있는 곳에 그대로 둡니다: ").arg(failed)
                           + keyringStatusText(failure),
                       messageParent);
    }
    return true;
}

void Configuration::SaveSessionProfile(const SessionProfile &profile)
{
    IniFile ini;
    if (!openForChange(ini))
        return;
    SessionProfile stored = profile;
    QStringList stale;
    const bool withPassword = placePassword(ini, stored, stale);
    writeSessionProfile(ini, stored, withPassword);
    if (!commit(ini))
        return;
    savedEntries.insert(text::trimmedBlanks(stored.HostName).toString().toCaseFolded(), stored.KeyringEntry);
    dropEntries(stale);
}

void Configuration::storeTrustedCertificate(const QString &hostName, const QString &fingerprint)
{
    storeConnectionOption(hostName, [&](ConnectionOptions &c) { c.TrustedCertificate = fingerprint; });
}

void Configuration::storeBrowseTogether(const QString &hostName, bool on)
{
    storeConnectionOption(hostName, [&](ConnectionOptions &c) { c.BrowseTogether = on; });
}

void Configuration::storeConnectionOption(const QString &hostName, const std::function<void(ConnectionOptions &)> &change)
{
    if (sameProfile(session.HostName, hostName))
        change(session.Connection);
    const int i = hostName.isEmpty() ? -1 : profiles.indexOf(hostName);
    if (i < 0)
        return;
    ProfileEntry entry = profiles.at(i);
    change(entry.Connection);
    profiles.set(i, entry);
    IniFile ini;
    if (!openForChange(ini))
        return;
    writeProfileLine(ini, entry);
    commit(ini);
}

void Configuration::removeProfileKeys(const QString &name)
{
    // Lists loaded for a profile that no longer exists are never written back.
    if (sameProfile(hostListsOwner, name))
        hostListsOwner.clear();
    IniFile ini;
    if (!openForChange(ini))
        return;
    const QString entry = readKeyringMarker(ini, name);
    removeProfile(ini, name);
    if (!commit(ini))
        return;
    savedEntries.remove(text::trimmedBlanks(name).toString().toCaseFolded());
    if (!entry.isEmpty())
        dropEntries({entry});
}

void Configuration::SaveConfiguration()
{
    IniFile ini;
    if (!openForChange(ini))
        return;
    QStringList stale;

    // Last positions of the connected profile.
    const LastPositions positions = main.lastPositions();
    const int i = session.HostName.isEmpty() ? -1 : profiles.indexOf(session.HostName);
    if (!positions.hostDir.isEmpty() && i >= 0) {
        ProfileEntry entry = profiles.at(i);
        entry.LastLocalDir = positions.localDir;
        entry.LastLocalFile = positions.localFile;
        entry.LastHostDir = positions.hostDir;
        entry.LastHostFile = positions.hostFile;
        profiles.set(i, entry);
        session.LastLocalDir = entry.LastLocalDir;
        session.LastLocalFile = entry.LastLocalFile;
        session.LastHostDir = entry.LastHostDir;
        session.LastHostFile = entry.LastHostFile;
        if (session.AutoSave) {
            SessionProfile stored = session;
            // A password the keyring already holds is not written again at
            // every disconnect (nor asked about when the keyring has locked since).
            if (!stored.KeyringEntry.isEmpty())
                stored.Password.clear();
            const bool withPassword = placePassword(ini, stored, stale);
            writeSessionProfile(ini, stored, withPassword);
            session.KeyringEntry = stored.KeyringEntry;
            savedEntries.insert(text::trimmedBlanks(stored.HostName).toString().toCaseFolded(), stored.KeyringEntry);
        } else {
            // The user chose not to store this connection's address, user and
            // password: only the stored profile's last positions change.
            writeLoginOptions(ini, session);
            writeProfileLine(ini, entry);
        }
    }

    writeMainOptions(ini, main.mainOptions(), extensions.toStored());
    for (int w = 0; w < SizedWindowCount; ++w) {
        if (!sizes[w]->sizeSavable())
            continue;
        writeWindowSize(ini, SizedWindow(w), sizes[w]->windowSize());
        if (const auto position = sizes[w]->windowPosition())
            writeWindowPosition(ini, SizedWindow(w), *position);
    }

    writeLocalBookmarks(ini, bookmarks->entries());
    writeTools(ini, toolList->entries());

    if (sameProfile(hostListsOwner, session.HostName)) {
        writeHostBookmarks(ini, session.HostName, hostMarks->entries());
        writeQueue(ini, session.HostName, queueList->entries());
    }
    if (commit(ini))
        dropEntries(stale);
}

void Configuration::LoadHostLists(const QString &profileName)
{
    IniFile ini(path());
    const bool readable = ini.load() != IniFile::LoadResult::Unreadable;
    queueList->load(readQueue(ini, profileName));
    hostMarks->load(readHostBookmarks(ini, profileName));
    // Empty lists from a file that could not be read must never be written over the stored ones.
    hostListsOwner = readable ? profileName : QString();
}

int Configuration::LoadProfileNames(QStringList &names, QStringList &addresses)
{
    names.clear();
    addresses.clear();
    IniFile ini(path());
    switch (ini.load()) {
    case IniFile::LoadResult::Missing:
        if (canWrite)
            writeFirstRun(ini);
        return -1;
    case IniFile::LoadResult::Unreadable:
        return -1;
    case IniFile::LoadResult::Loaded:
        break;
    }
    for (const ProfileEntry &e : readProfiles(ini, false)) {
        names << e.HostName;
        addresses << e.HostIP;
    }
    const QString last = readLoginOptions(ini).HostName;
    for (int n = 0; n < names.size(); ++n) {
        if (sameProfile(names[n], last))
            return n;
    }
    return names.isEmpty() ? -1 : 0;
}

} // namespace kav
