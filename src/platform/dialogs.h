#pragma once
// The one door to every modal question the program asks. Forms never call
// QMessageBox, QInputDialog or QFileDialog themselves: tests install a scripted
// service that answers from a queue and records what was asked.

#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>

class QWidget;

namespace kav {

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons of a message box; a box is given an OR of these and returns the one pressed.
enum MsgButton : int {
    BtnOk = 0x01,
    BtnCancel = 0x02,
    BtnYes = 0x04,
    BtnNo = 0x08,
    BtnAbort = 0x10,
    BtnRetry = 0x20,
    BtnIgnore = 0x40,
};

// What an open or save question asks for: its caption, the choice of file
// types, the extension added to a bare name, where it starts, the name proposed.
struct FileRequest {
    QString title;
    QString filter;      // Windows style: "Programs|*.exe|All Files(*.*)|*.*"
    QString defaultExt;  // "txt" or "*.txt"
    QString initialDir;
    QString fileName;    // proposed name (save) or preselected file
    // Programs on this platform are files with execute permission, mostly without
    // any extension: the first choice of file types then lists executable files
    // whatever its pattern says ("*.exe" would hide every program in /usr/bin).
    bool executablesOnly = false;
};

// A server certificate that failed the check (or changed), shown to the user.
struct CertificateQuestion {
    QString host;
    QString problem;       // why it failed, one sentence
    QString subject, issuer, validFrom, validUntil;
    QString fingerprint;   // SHA-256, "AB:CD:..."
    // The profile trusts another certificate: the server's key changed.
    bool keyChanged = false;
};
enum class CertificateChoice { ConnectOnce, TrustAlways, Cancel };
// The window's caption, its red warning (empty unless the key changed) and its details.
QString certificateCaption();
QString certificateWarning(const CertificateQuestion &question);
QString certificateDetails(const CertificateQuestion &question);
// A field of the certificate as the question shows it: characters that change
// how the text reads (controls, bidirectional overrides) escaped as "\XX" bytes,
// and anything past `limit` characters cut with a mark that says so.
QString certificateField(const QString &text, qsizetype limit);

// A server's SSH host key that known_hosts does not hold, or holds another
// key for (changed: nothing may be sent, the user is only warned).
struct HostKeyQuestion {
    QString host;          // as looked up in known_hosts ("name" or "[name]:port")
    QString keyType;       // "ED25519", "RSA", "ECDSA"
    QString fingerprint;   // OpenSSH's form: "SHA256:" and unpadded Base64
    QString knownHostsFile;
    bool changed = false;
};
enum class HostKeyChoice { AcceptOnce, AcceptAlways, Cancel };
// The window's caption, its red warning (empty unless the key changed) and its details.
QString hostKeyCaption();
QString hostKeyWarning(const HostKeyQuestion &question);
QString hostKeyDetails(const HostKeyQuestion &question);

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Returns the button pressed (one of MsgButton). Text is always shown as plain text.
    virtual int messageBox(QWidget *parent, const QString &caption, const QString &text,
                           MsgIcon icon, int buttons) = 0;
    // InputQuery: true and the new value on OK; false and value untouched on cancel.
    virtual bool inputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                            QString &value) = 0;
    // The same for a password: the text typed is masked. The default asks as inputQuery.
    virtual bool passwordQuery(QWidget *parent, const QString &caption, const QString &prompt, QString &value)
    {
        return inputQuery(parent, caption, prompt, value);
    }
    virtual bool openFile(QWidget *parent, const FileRequest &request, QString &path) = 0;
    virtual bool openFiles(QWidget *parent, const FileRequest &request, QStringList &paths) = 0;
    virtual bool saveFile(QWidget *parent, const FileRequest &request, QString &path) = 0;
    virtual bool chooseDirectory(QWidget *parent, const QString &caption, QString &dir) = 0;
    virtual bool chooseFont(QWidget *parent, QFont &font) = 0;
    // A server certificate to decide on: connect this once, trust it for the
    // profile from now on, or cancel (also the answer when the window is closed).
    virtual CertificateChoice certificateQuestion(QWidget *parent, const CertificateQuestion &question) = 0;
    // An SSH host key to decide on: accept it this once, accept and keep it in
    // known_hosts, or cancel (also Enter, Escape and closing the window). A
    // changed key offers only closing: the answer is always Cancel.
    virtual HostKeyChoice hostKeyQuestion(QWidget *parent, const HostKeyQuestion &question) = 0;
};

// The service in use; the Qt implementation unless a test installed another.
Dialogs &dialogs();
// Installs a service (tests); returns the previous one. nullptr restores the Qt service.
std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> service);

std::unique_ptr<Dialogs> makeQtDialogs();

// The window that boxes and dialogs asked without a parent of their own are shown
// over (the main window). A box without a parent opens behind a window kept on top
// of the others and cannot be raised while it blocks that window.
void setDialogOwner(QWidget *owner);
// The parent a box asked over `parent` is shown over: `parent` itself when given,
// else the owner set above (null when there is none).
QWidget *dialogOwner(QWidget *parent);

// The window that boxes and dialogs asked without a parent of their own are shown
// over (the main window). A box without a parent opens behind a window kept on top
// of the others and cannot be raised while it blocks that window.
void setDialogOwner(QWidget *owner);
// The parent a box asked over `parent` is shown over: `parent` itself when given,
// else the owner set above (null when there is none).
QWidget *dialogOwner(QWidget *parent);

// The application title (the task bar text: "Kavrin Version 2.2", or the session's
// title while logged in). Kept here rather than in QGuiApplication::applicationDisplayName,
// which Qt would append to every window caption. Message boxes are captioned with it.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// The common case: an information box with one OK button, captioned with the
// application title.
void informationBox(const QString &text, QWidget *parent = nullptr);
// A Yes/No confirmation with the question icon; true on Yes.
bool confirmBox(const QString &text, QWidget *parent = nullptr);

// Qt's file dialog knows names only as text: a folder whose name has bytes that
// are no text (local_path.h) it shows with replacement characters and cannot
// enter, and a path it hands back names no such file. This turns the local path
// a dialog starts on into what the dialog is given, and the path chosen there
// back into a local path. A start folder of foreign bytes is reached through a
// link in a private temporary folder, named as the panes show the folder; a
// folder that is not there gives way to its nearest existing parent. A proposed
// name is shown as the panes show it and, chosen unchanged (or with text added
// at its end), comes back with its own bytes; any other name in the path that
// the dialog could only show with replacement characters is the entry of its
// folder that the dialog shows that way.
class DialogPaths {
public:
    // `start`: a folder, or a file (to propose or preselect) in a folder.
    explicit DialogPaths(const QString &start);
    ~DialogPaths();
    DialogPaths(const DialogPaths &) = delete;
    DialogPaths &operator=(const DialogPaths &) = delete;
    // What the dialog opens on.
    QString shown() const { return m_shown; }
    // The local path of a path chosen in the dialog.
    QString localPath(const QString &chosen) const;

private:
    QString m_folder;   // the start folder, as a local path
    QString m_name;     // the proposed name, as a local path
    QString m_link;     // the link standing for m_folder, when it has foreign bytes
    QString m_linkDir;  // the private folder holding it
    QString m_shown;
};

// The file dialogs' helpers, shared by every implementation of the service.
// A Windows-style filter "Programs|*.exe|All Files(*.*)|*.*" in Qt's form:
// "Programs (*.exe);;All Files(*.*) (*.*)". Several patterns of one entry
// ("*.txt;*.log") are separated by blanks, as Qt wants them. For a choice of
// programs (executablesOnly) the first entry's patterns and every "*.*" become
// "*": "Programs (*);;All Files(*.*) (*)"; the dialog lists the executable files.
QString qtFileFilter(const QString &windowsFilter, bool executablesOnly = false);
// A chosen save name whose file name has no extension gets the default one
// ("txt" or "*.txt" both give ".txt"); other names are returned unchanged.
QString withDefaultExtension(const QString &path, const QString &defaultExt);

} // namespace kav
