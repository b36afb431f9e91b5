#include "dialogs.h"

#include "local_path.h"

#include <QDateTime>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>
#include <QFileInfo>
#include <QRegularExpression>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextEdit>

#include <algorithm>
#include <unistd.h>

namespace kav {
namespace {

constexpr std::pair<MsgButton, QMessageBox::StandardButton> ButtonMap[] = {
    {BtnOk, QMessageBox::Ok},         {BtnCancel, QMessageBox::Cancel},
    {BtnYes, QMessageBox::Yes},       {BtnNo, QMessageBox::No},
    {BtnAbort, QMessageBox::Abort},   {BtnRetry, QMessageBox::Retry},
    {BtnIgnore, QMessageBox::Ignore},
};

// Qt's own file dialog (where the desktop offers none) opens with columns cut to "10 Dec
// …3:39:09" and "964…tes": give the detail view room for a whole date and size.
QStringList runFileDialog(QFileDialog &dialog)
{
    if (auto *view = dialog.findChild<QTreeView *>()) {
        const QFontMetrics metrics(view->font());
        const QString sampleDate = QLocale().toString(QDateTime(QDate(2026, 12, 30), QTime(23, 59, 59)),
                                                      QLocale::ShortFormat);
        const int dateWidth = metrics.horizontalAdvance(sampleDate) + 24;
        const int sizeWidth = metrics.horizontalAdvance(QStringLiteral("1023.99 KiB")) + 24;
        const int typeWidth = metrics.horizontalAdvance(QStringLiteral("Folder")) * 2 + 24;
        QHeaderView *header = view->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        header->resizeSection(1, sizeWidth);
        header->resizeSection(2, typeWidth);
        header->resizeSection(3, dateWidth);
        dialog.resize(std::max(dialog.width(), 360 + sizeWidth + typeWidth + dateWidth),
                      std::max(dialog.height(), 440));
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

// Qt accepts a file to open only when its own reading of the name finds it, and
// it reads a name of foreign bytes with replacement characters, which find no
// file: such a choice is taken when the file it stands for is there.
class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget *parent, const QString &caption, const DialogPaths &paths, const QString &filter = {})
        : QFileDialog(parent, caption, paths.shown(), filter), m_paths(paths)
    {
    }
    void accept() override
    {
        const QStringList files = selectedFiles();
        const auto foreign = [](const QString &f) { return f.contains(QChar(QChar::ReplacementCharacter)); };
        const auto there = [this](const QString &f) { return localpath::status(m_paths.localPath(f)).exists; };
        if (fileMode() != AnyFile && !files.isEmpty() && std::any_of(files.begin(), files.end(), foreign)
            && std::all_of(files.begin(), files.end(), there)) {
            QDialog::accept();
            return;
        }
        QFileDialog::accept();
    }

private:
    const DialogPaths &m_paths;
};

// The first choice of file types lists the files this user may run (and every
// directory, to walk to them); the other choices list their patterns as usual.
void listExecutablesUnderFirstFilter(QFileDialog &dialog)
{
    const QDir::Filters all = QDir::AllDirs | QDir::Files | QDir::NoDot | QDir::Drives;
    const QString first = dialog.nameFilters().value(0);
    auto apply = [&dialog, all, first](const QString &chosen) {
        dialog.setFilter(chosen == first ? all | QDir::Executable : all);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, apply);
    apply(dialog.selectedNameFilter().isEmpty() ? first : dialog.selectedNameFilter());
}

// The answer of a box closed without a button (Escape, the window's close box).
int safeButton(int buttons)
{
    for (int b : {BtnCancel, BtnNo, BtnAbort, BtnOk, BtnIgnore, BtnRetry, BtnYes})
        if (buttons & b)
            return b;
    return BtnOk;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// The start as a local path: the folder, the file in it, or both joined.
QString startPath(const FileRequest &request)
{
    if (request.fileName.isEmpty())
        return request.initialDir;
    if (request.initialDir.isEmpty() || QFileInfo(request.fileName).isAbsolute())
        return request.fileName;
    return request.initialDir + QLatin1Char('/') + request.fileName;
}

// The red warning a risky question opens with (a changed key), when it has one.
void addWarning(QDialog &window, QVBoxLayout &layout, const QString &warning)
{
    if (warning.isEmpty())
        return;
    auto *red = new QLabel(warning, &window);
    red->setObjectName(QStringLiteral("L_Warning"));
    red->setTextFormat(Qt::PlainText);
    red->setWordWrap(true);
    red->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    layout.addWidget(red);
}

class QtDialogs : public Dialogs {
public:
    int messageBox(QWidget *parent, const QString &caption, const QString &text, MsgIcon icon,
                   int buttons) override
    {
        QMessageBox box(dialogOwner(parent));
        box.setWindowTitle(caption);
        // Texts carry host and file names: never let Qt read them as HTML.
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setIcon(qtIcon(icon));
        QMessageBox::StandardButtons qtButtons;
        for (const auto &[ours, qt] : ButtonMap)
            if (buttons & ours)
                qtButtons |= qt;
        if (!qtButtons)
            qtButtons = QMessageBox::Ok;
        box.setStandardButtons(qtButtons);
        const int safe = safeButton(buttons);
        for (const auto &[ours, qt] : ButtonMap)
            if (ours == safe)
                box.setEscapeButton(qt);
        const int pressed = box.exec();
        for (const auto &[ours, qt] : ButtonMap)
            if (pressed == qt)
                return ours;
        return safe;
    }

    bool inputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                    QString &value) override
    {
        return ask(parent, caption, prompt, value, QLineEdit::Normal);
    }

    bool passwordQuery(QWidget *parent, const QString &caption, const QString &prompt,
                       QString &value) override
    {
        return ask(parent, caption, prompt, value, QLineEdit::Password);
    }

    static bool ask(QWidget *parent, const QString &caption, const QString &prompt, QString &value,
                    QLineEdit::EchoMode echo)
    {
        QInputDialog dlg(dialogOwner(parent));
        dlg.setTextEchoMode(echo);
        dlg.setWindowTitle(caption);
        dlg.setInputMode(QInputDialog::TextInput);
        dlg.setLabelText(prompt);
        dlg.setTextValue(value);
        for (QLabel *label : dlg.findChildren<QLabel *>())
            label->setTextFormat(Qt::PlainText);
        if (dlg.exec() != QDialog::Accepted)
            return false;
        value = dlg.textValue();
        return true;
    }

    bool openFile(QWidget *parent, const FileRequest &request, QString &path) override
    {
        const DialogPaths paths(startPath(request));
        FileDialog dialog(dialogOwner(parent), request.title, paths,
                          qtFileFilter(request.filter, request.executablesOnly));
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (request.executablesOnly)
            listExecutablesUnderFirstFilter(dialog);
        const QStringList chosen = runFileDialog(dialog);
        if (chosen.isEmpty())
            return false;
        path = paths.localPath(chosen.first());
        return true;
    }

    bool openFiles(QWidget *parent, const FileRequest &request, QStringList &paths) override
    {
        const DialogPaths start(startPath(request));
        FileDialog dialog(dialogOwner(parent), request.title, start, qtFileFilter(request.filter));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        const QStringList chosen = runFileDialog(dialog);
        if (chosen.isEmpty())
            return false;
        paths.clear();
        for (const QString &c : chosen)
            paths << start.localPath(c);
        return true;
    }

    bool saveFile(QWidget *parent, const FileRequest &request, QString &path) override
    {
        // The callers ask their own overwrite question, with their own text.
        const DialogPaths paths(startPath(request));
        FileDialog dialog(dialogOwner(parent), request.title, paths, qtFileFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        const QStringList chosen = runFileDialog(dialog);
        if (chosen.isEmpty())
            return false;
        path = withDefaultExtension(paths.localPath(chosen.first()), request.defaultExt);
        return true;
    }

    bool chooseDirectory(QWidget *parent, const QString &caption, QString &dir) override
    {
        const DialogPaths paths(dir);
        FileDialog dialog(dialogOwner(parent), caption, paths);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        const QStringList chosen = runFileDialog(dialog);
        if (chosen.isEmpty())
            return false;
        dir = paths.localPath(chosen.first());
        return true;
    }

    bool chooseFont(QWidget *parent, QFont &font) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, dialogOwner(parent));
        if (!ok)
            return false;
        font = chosen;
        return true;
    }

    CertificateChoice certificateQuestion(QWidget *parent, const CertificateQuestion &question) override
    {
        QDialog window(dialogOwner(parent));
        window.setWindowTitle(certificateCaption());
        auto *layout = new QVBoxLayout(&window);
        const QString warning = certificateWarning(question);
        addWarning(window, *layout, warning);
        // Names in a certificate are the server's text: plain text, selectable, and
        // broken anywhere, as a name in RFC 2253 form has no blank to wrap at. The
        // box is as tall as its text, so the fingerprint shows without scrolling.
        auto *details = new QTextEdit(&window);
        details->setObjectName(QStringLiteral("certificateDetails"));
        details->setAcceptRichText(false);
        details->setPlainText(certificateDetails(question));
        details->setReadOnly(true);
        details->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->setFocusPolicy(Qt::NoFocus);
        details->setFrameShape(QFrame::NoFrame);
        details->viewport()->setAutoFillBackground(false);
        details->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        details->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        details->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const int width = details->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 64;
        details->setLineWrapMode(QTextEdit::FixedPixelWidth);
        details->setLineWrapColumnOrWidth(width);
        details->document()->setTextWidth(width);
        details->setFixedSize(width + 2 * details->frameWidth(),
                              int(details->document()->size().height()) + 2 * details->frameWidth());
        layout->addWidget(details);
        auto *buttons = new QHBoxLayout;
        auto *once = new QPushButton(QStringLiteral("이번만 연결(&O)"), &window);
        auto *always = new QPushButton(QStringLiteral("항상 신뢰(&T)"), &window);
        auto *cancel = new QPushButton(QStringLiteral("취소"), &window);
        // A button of a dialog takes Enter while it has the focus (auto-default),
        // whatever button is the default: only 취소 may ever take Enter, so a key
        // pressed by habit never connects. Connecting takes a click or its letter.
        for (QPushButton *b : {once, always, cancel})
            b->setAutoDefault(false);
        cancel->setDefault(true);
        if (question.keyChanged) {
            // Nor does Space on a button reached by Tab accept a changed key.
            once->setFocusPolicy(Qt::NoFocus);
            always->setFocusPolicy(Qt::NoFocus);
        }
        buttons->addStretch();
        for (QPushButton *b : {once, always, cancel})
            buttons->addWidget(b);
        layout->addLayout(buttons);
        cancel->setFocus();
        CertificateChoice choice = CertificateChoice::Cancel;
        QObject::connect(once, &QPushButton::clicked, &window, [&] {
            choice = CertificateChoice::ConnectOnce;
            window.accept();
        });
        QObject::connect(always, &QPushButton::clicked, &window, [&] {
            choice = CertificateChoice::TrustAlways;
            window.accept();
        });
        QObject::connect(cancel, &QPushButton::clicked, &window, &QDialog::reject);
        if (window.exec() != QDialog::Accepted)
            return CertificateChoice::Cancel;
        return choice;
    }

    HostKeyChoice hostKeyQuestion(QWidget *parent, const HostKeyQuestion &question) override
    {
        QDialog window(dialogOwner(parent));
        window.setObjectName(QStringLiteral("HostKeyDialog"));
        window.setWindowTitle(hostKeyCaption());
        auto *layout = new QVBoxLayout(&window);
        const QString warning = hostKeyWarning(question);
        addWarning(window, *layout, warning);
        // The fingerprint is selectable, to compare it with the one the
        // server's administrator gave.
        auto *details = new QLabel(hostKeyDetails(question), &window);
        details->setObjectName(QStringLiteral("L_Details"));
        details->setTextFormat(Qt::PlainText);
        details->setTextInteractionFlags(Qt::TextSelectableByMouse);
        details->setWordWrap(true);
        layout->addWidget(details);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        HostKeyChoice choice = HostKeyChoice::Cancel;
        // Only a click or an access letter accepts a key: Enter, Escape and
        // Space (the focus waits on the cancel button) all cancel.
        if (!question.changed) {
            auto *once = new QPushButton(QStringLiteral("이번만 연결(&O)"), &window);
            auto *always = new QPushButton(QStringLiteral("항상 신뢰(&T)"), &window);
            once->setObjectName(QStringLiteral("BB_AcceptOnce"));
            always->setObjectName(QStringLiteral("BB_AcceptAlways"));
            for (QPushButton *b : {once, always}) {
                b->setAutoDefault(false);
                b->setFocusPolicy(Qt::TabFocus);
                buttons->addWidget(b);
            }
            QObject::connect(once, &QPushButton::clicked, &window, [&] {
                choice = HostKeyChoice::AcceptOnce;
                window.accept();
            });
            QObject::connect(always, &QPushButton::clicked, &window, [&] {
                choice = HostKeyChoice::AcceptAlways;
                window.accept();
            });
        }
        auto *cancel = new QPushButton(question.changed ? QStringLiteral("닫기") : QStringLiteral("취소"), &window);
        cancel->setObjectName(QStringLiteral("BB_Cancel"));
        cancel->setDefault(true);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        QObject::connect(cancel, &QPushButton::clicked, &window, &QDialog::reject);
        cancel->setFocus();
        if (window.exec() != QDialog::Accepted)
            return HostKeyChoice::Cancel;
        return choice;
    }
};

std::unique_ptr<Dialogs> &current()
{
    static std::unique_ptr<Dialogs> service;
    return service;
}

QPointer<QWidget> &ownerStore()
{
    static QPointer<QWidget> owner;
    return owner;
}

QString &titleStore()
{
    static QString title = QStringLiteral("Kavrin Version 2.2");
    return title;
}

} // namespace

std::unique_ptr<Dialogs> makeQtDialogs() { return std::make_unique<QtDialogs>(); }

Dialogs &dialogs()
{
    auto &service = current();
    if (!service)
        service = makeQtDialogs();
    return *service;
}

std::unique_ptr<Dialogs> setDialogs(std::unique_ptr<Dialogs> service)
{
    auto previous = std::move(current());
    current() = service ? std::move(service) : makeQtDialogs();
    return previous;
}

void setDialogOwner(QWidget *owner) { ownerStore() = owner; }

QWidget *dialogOwner(QWidget *parent) { return parent ? parent : ownerStore().data(); }

QString applicationTitle() { return titleStore(); }

QString certificateCaption()
{
    return QStringLiteral("호스트 인증서 확인");
}

QString certificateWarning(const CertificateQuestion &q)
{
    if (!q.keyChanged)
        return {};
    return QStringLiteral("경고: 호스트의 키가 바뀌었습니다! 이 프로필이 신뢰하는 인증서와 다른 인증서를 "
                          "받았습니다. 누군가 연결을 가로채고 있을 수 있습니다.");
}

namespace {

// Characters that change how the text around them reads without showing
// themselves: line breaks, controls, and the marks and overrides of
// bidirectional text (a subject holding U+202E reads backwards from there on).
bool hiddenCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x061C || c == 0x200E || c == 0x200F
        || (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

} // namespace

QString certificateField(const QString &text, qsizetype limit)
{
    // Escaped as the certificate's own control characters are: "\XX" for each
    // byte of its UTF-8 form.
    QStringList pieces;
    for (const char32_t c : QStringView(text).toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        if (!hiddenCharacter(c)) {
            pieces << one;
            continue;
        }
        QString escaped;
        for (const char byte : one.toUtf8())
            escaped += QStringLiteral("\\%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
        pieces << escaped;
    }
    QString shown;
    qsizetype piece = 0;
    for (; piece < pieces.size() && shown.size() + pieces[piece].size() <= limit; ++piece)
        shown += pieces[piece];
    if (piece == pieces.size())
        return shown;
    // A name longer than any real one is cut where it shows, never silently.
    qsizetype rest = 0;
    for (; piece < pieces.size(); ++piece)
        rest += pieces[piece].size();
    return shown + QStringLiteral("… (이하 %1자 생략)").arg(rest);
}

QString certificateDetails(const CertificateQuestion &q)
{
    // The fingerprint is the one thing to compare: it is ours, of fixed length,
    // and always shown whole; what the server named is escaped and cut.
    constexpr qsizetype NameLimit = 160;
    constexpr qsizetype LineLimit = 100;
    return QStringLiteral("%1 의 인증서를 확인하지 못했습니다.\n%2\n\n"
                          "주체: %3\n발급자: %4\n유효 기간: %5 ~ %6\nSHA-256 지문: %7\n\n"
                          "이번만 연결하거나, 이 프로필에서 이 인증서를 항상 신뢰하거나, 연결을 취소하십시오.")
        .arg(certificateField(q.host, LineLimit), certificateField(q.problem, LineLimit * 2),
             certificateField(q.subject, NameLimit), certificateField(q.issuer, NameLimit),
             certificateField(q.validFrom, LineLimit), certificateField(q.validUntil, LineLimit),
             q.fingerprint);
}

QString hostKeyCaption()
{
    return QStringLiteral("SSH 호스트 키 확인");
}

QString hostKeyWarning(const HostKeyQuestion &q)
{
    if (!q.changed)
        return {};
    return QStringLiteral("경고: 호스트의 키가 바뀌었습니다! %1 에 저장된 키와 다른 키를 받았습니다. "
                          "누군가 연결을 가로채고 있을 수 있으므로 아무것도 보내지 않고 연결을 끊었습니다.")
        .arg(q.knownHostsFile);
}

QString hostKeyDetails(const HostKeyQuestion &q)
{
    if (q.changed)
        return QStringLiteral("호스트: %1\n받은 키: %2 %3\n\n"
                              "서버의 키가 정말 바뀌었다면 서버 관리자에게 새 지문을 확인한 뒤 %4 에서 "
                              "이 호스트의 줄을 지우고 다시 접속하십시오.")
            .arg(q.host, q.keyType, q.fingerprint, q.knownHostsFile);
    return QStringLiteral("%1 의 호스트 키를 알 수 없습니다 (known_hosts에 없음).\n\n"
                          "키 종류: %2\n지문: %3\n\n"
                          "서버 관리자에게 받은 지문과 같은지 확인하십시오. 이번만 연결하거나, "
                          "항상 신뢰하여 %4 에 저장하거나, 연결을 취소하십시오.")
        .arg(q.host, q.keyType, q.fingerprint, q.knownHostsFile);
}

void setApplicationTitle(const QString &title) { titleStore() = title; }

void informationBox(const QString &text, QWidget *parent)
{
    dialogs().messageBox(parent, applicationTitle(), text, MsgIcon::Information, BtnOk);
}

bool confirmBox(const QString &text, QWidget *parent)
{
    return dialogs().messageBox(parent, applicationTitle(), text, MsgIcon::Question,
                                BtnYes | BtnNo) == BtnYes;
}

namespace {

QString lastName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

// The name as Qt's own file classes see it (bytes that are no text replaced).
QString qtNameOf(const QString &localName)
{
    const auto bytes = localpath::encode(localName);
    return bytes ? QFile::decodeName(*bytes) : localName;
}

} // namespace

DialogPaths::DialogPaths(const QString &start)
{
    m_shown = start;
    // Paths Qt can name need nothing: the dialog gets them as they always were.
    if (!localpath::hasEscapes(start))
        return;
    const bool isFolder = localpath::isDirectory(start);
    m_folder = isFolder ? start : parentOf(start);
    m_name = isFolder ? QString() : lastName(start);
    QString shownFolder = m_folder;
    if (localpath::hasEscapes(m_folder)) {
        // The dialog cannot go where Qt cannot name: a link it can name stands in.
        const auto target = localpath::encode(m_folder);
        auto links = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kavrin-XXXXXX"));
        const QString link = links->isValid() ? links->path() + QLatin1Char('/')
                                                    + localpath::displayName(QStringView(lastName(m_folder)))
                                              : QString();
        if (target && localpath::isDirectory(m_folder) && !link.isEmpty()
            && ::symlink(target->constData(), QFile::encodeName(link).constData()) == 0) {
            links->setAutoRemove(false);
            m_linkDir = links->path();
            m_link = link;
            shownFolder = link;
        } else {
            // The nearest folder above that Qt can name and that is there.
            shownFolder = m_folder;
            while (shownFolder != QLatin1String("/")
                   && (localpath::hasEscapes(shownFolder) || !localpath::isDirectory(shownFolder)))
                shownFolder = parentOf(shownFolder);
        }
    }
    if (m_name.isEmpty())
        m_shown = shownFolder;
    else
        m_shown = shownFolder + (shownFolder.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"))
                  + localpath::displayName(QStringView(m_name));
}

DialogPaths::~DialogPaths()
{
    if (m_linkDir.isEmpty())
        return;
    // The link only: never what it points at.
    ::unlink(QFile::encodeName(m_link).constData());
    ::rmdir(QFile::encodeName(m_linkDir).constData());
}

QString DialogPaths::localPath(const QString &chosen) const
{
    QString path = chosen;
    if (!m_link.isEmpty() && (path == m_link || path.startsWith(m_link + QLatin1Char('/'))))
        path = m_folder + path.mid(m_link.size());
    if (!path.contains(QChar(QChar::ReplacementCharacter))) {
        // The proposed name, as shown or with text added to it, keeps its bytes.
        if (!m_name.isEmpty() && parentOf(path) == m_folder)
            return m_folder + QLatin1Char('/') + localpath::fromShown(lastName(path), m_name);
        return path;
    }
    if (!path.startsWith(QLatin1Char('/')))
        return path;
    // A name the dialog showed with replacement characters is the one entry of
    // its folder that Qt shows that way.
    const QStringList names = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString out;
    for (const QString &name : names) {
        QString found = name;
        if (name.contains(QChar(QChar::ReplacementCharacter))) {
            int matches = 0;
            for (const localpath::Entry &e : localpath::allEntries(out.isEmpty() ? QStringLiteral("/") : out)) {
                const QString entryName = lastName(e.path);
                if (qtNameOf(entryName) == name) {
                    found = entryName;
                    ++matches;
                }
            }
            if (matches != 1)
                found = name;
        }
        out += QLatin1Char('/') + found;
    }
    return out;
}

QString qtFileFilter(const QString &windowsFilter, bool executablesOnly)
{
    if (windowsFilter.isEmpty())
        return {};
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (description.isEmpty() && patterns.isEmpty())
            continue;
        // A description without its pattern shows everything rather than nothing.
        if (patterns.isEmpty())
            patterns = QStringLiteral("*");
        QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : list)
            p = p.trimmed();
        // A description that already shows its patterns ("Text Files (*.TXT)") shows them once.
        QString shown = description;
        static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\(([^()]*)\\)\\s*$"));
        const QRegularExpressionMatch m = shownPatterns.match(description);
        if (m.hasMatch()) {
            const QStringList inText = m.captured(1).split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts);
            if (QStringList(inText).join(QLatin1Char(' ')).compare(list.join(QLatin1Char(' ')), Qt::CaseInsensitive) == 0)
                shown = description.left(m.capturedStart()).trimmed();
        }
        for (QString &p : list) {
            // Programs here mostly have no extension: "*.*" would hide them.
            if (executablesOnly && p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        // The first choice lists executable files by permission, not by name.
        if (executablesOnly && entries.isEmpty())
            list = QStringList{QStringLiteral("*")};
        entries << (shown.isEmpty() ? QString() : shown + QLatin1Char(' '))
                       + QLatin1Char('(') + list.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString withDefaultExtension(const QString &path, const QString &defaultExt)
{
    QString ext = defaultExt.trimmed();
    if (ext.startsWith(QLatin1Char('*')))
        ext.remove(0, 1);
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    // "*" or "*.*" names no extension to add.
    if (ext.isEmpty() || ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')))
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + ext;
}

} // namespace kav
