#include "configuration.h"

#include "platform/dialogs.h"
#include "platform/editor_lookup.h"
#include "platform/ini_file.h"
#include "platform/settings_dir.h"
#include "config/ascii_extensions.h"

#include <QCoreApplication>

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

void Configuration::commit(IniFile &ini)
{
    if (ini.save() || saveFailureShown)
        return;
    saveFailureShown = true;
    informationBox(QStringLiteral("설정 파일을 저장하지 못했습니다.\n") + ini.path() + QStringLiteral("\n")
                       + ini.errorString(),
                   messageParent);
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

    const LoginOptions login = readLoginOptions(ini);
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

    for (int i = 0; i < SizedWindowCount; ++i)
        sizes[i]->setWindowSize(readWindowSize(ini, SizedWindow(i), sizes[i]->windowSize()));

    bookmarks->load(readLocalBookmarks(ini));
    toolList->load(readTools(ini));
}

void Configuration::SaveSessionProfile(const SessionProfile &profile)
{
    IniFile ini;
    if (!openForChange(ini))
        return;
    writeSessionProfile(ini, profile);
    commit(ini);
}

void Configuration::storeTrustedCertificate(const QString &hostName, const QString &fingerprint)
{
    if (sameProfile(session.HostName, hostName))
        session.Connection.TrustedCertificate = fingerprint;
    const int i = hostName.isEmpty() ? -1 : profiles.indexOf(hostName);
    if (i < 0)
        return;
    ProfileEntry entry = profiles.at(i);
    entry.Connection.TrustedCertificate = fingerprint;
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
    removeProfile(ini, name);
    commit(ini);
}

void Configuration::SaveConfiguration()
{
    IniFile ini;
    if (!openForChange(ini))
        return;

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
            writeSessionProfile(ini, session);
        } else {
            // The user chose not to store this connection's address, user and
            // password: only the stored profile's last positions change.
            writeLoginOptions(ini, session);
            writeProfileLine(ini, entry);
        }
    }

    writeMainOptions(ini, main.mainOptions(), extensions.toStored());
    for (int w = 0; w < SizedWindowCount; ++w) {
        if (sizes[w]->sizeSavable())
            writeWindowSize(ini, SizedWindow(w), sizes[w]->windowSize());
    }

    writeLocalBookmarks(ini, bookmarks->entries());
    writeTools(ini, toolList->entries());

    if (sameProfile(hostListsOwner, session.HostName)) {
        writeHostBookmarks(ini, session.HostName, hostMarks->entries());
        writeQueue(ini, session.HostName, queueList->entries());
    }
    commit(ini);
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
