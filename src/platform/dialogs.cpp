#include "dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace kav {
namespace {

constexpr std::pair<MsgButton, QMessageBox::StandardButton> ButtonMap[] = {
    {BtnOk, QMessageBox::Ok},         {BtnCancel, QMessageBox::Cancel},
    {BtnYes, QMessageBox::Yes},       {BtnNo, QMessageBox::No},
    {BtnAbort, QMessageBox::Abort},   {BtnRetry, QMessageBox::Retry},
    {BtnIgnore, QMessageBox::Ignore},
};

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

QString startPath(const FileRequest &request)
{
    if (request.fileName.isEmpty())
        return request.initialDir;
    if (request.initialDir.isEmpty() || QFileInfo(request.fileName).isAbsolute())
        return request.fileName;
    return request.initialDir + QLatin1Char('/') + request.fileName;
}

class QtDialogs : public Dialogs {
public:
    int messageBox(QWidget *parent, const QString &caption, const QString &text, MsgIcon icon,
                   int buttons) override
    {
        QMessageBox box(parent);
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
        QInputDialog dlg(parent);
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
        const QString chosen = QFileDialog::getOpenFileName(parent, request.title, startPath(request),
                                                            qtFileFilter(request.filter));
        if (chosen.isEmpty())
            return false;
        path = chosen;
        return true;
    }

    bool openFiles(QWidget *parent, const FileRequest &request, QStringList &paths) override
    {
        const QStringList chosen = QFileDialog::getOpenFileNames(
            parent, request.title, startPath(request), qtFileFilter(request.filter));
        if (chosen.isEmpty())
            return false;
        paths = chosen;
        return true;
    }

    bool saveFile(QWidget *parent, const FileRequest &request, QString &path) override
    {
        // The callers ask their own overwrite question, with their own text.
        const QString chosen = QFileDialog::getSaveFileName(parent, request.title, startPath(request),
                                                            qtFileFilter(request.filter), nullptr,
                                                            QFileDialog::DontConfirmOverwrite);
        if (chosen.isEmpty())
            return false;
        path = withDefaultExtension(chosen, request.defaultExt);
        return true;
    }

    bool chooseDirectory(QWidget *parent, const QString &caption, QString &dir) override
    {
        const QString chosen = QFileDialog::getExistingDirectory(parent, caption, dir);
        if (chosen.isEmpty())
            return false;
        dir = chosen;
        return true;
    }

    bool chooseFont(QWidget *parent, QFont &font) override
    {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, parent);
        if (!ok)
            return false;
        font = chosen;
        return true;
    }
};

std::unique_ptr<Dialogs> &current()
{
    static std::unique_ptr<Dialogs> service;
    return service;
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

QString applicationTitle() { return titleStore(); }
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

QString qtFileFilter(const QString &windowsFilter)
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
        entries << (description.isEmpty() ? QString() : description + QLatin1Char(' '))
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
