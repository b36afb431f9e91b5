#include "scripted_dialogs.h"

#include <optional>

namespace kav {
namespace {

using Answer = ScriptedDialogs::Answer;

std::optional<Answer> take(std::deque<Answer> &answers)
{
    if (answers.empty())
        return std::nullopt;
    Answer a = std::move(answers.front());
    answers.pop_front();
    return a;
}

int safeButton(int buttons)
{
    for (int b : {BtnCancel, BtnNo, BtnAbort, BtnOk, BtnIgnore, BtnRetry, BtnYes})
        if (buttons & b)
            return b;
    return BtnOk;
}

// Whether an answer accepts a dialog that is not a message box.
bool accepts(const std::optional<Answer> &a)
{
    return a && (a->accept || a->button == BtnOk || a->button == BtnYes);
}

} // namespace

int ScriptedDialogs::messageBox(QWidget *parent, const QString &caption, const QString &text,
                                MsgIcon icon, int buttons)
{
    asked.push_back(Asked{Kind::Message, caption, text, icon, buttons, {}, {}, dialogOwner(parent)});
    const auto a = take(answers);
    if (!a)
        return safeButton(buttons);
    if (a->button != 0)
        return a->button;
    if (a->accept)
        return (buttons & BtnYes) ? BtnYes : BtnOk;
    return safeButton(buttons);
}

CertificateChoice ScriptedDialogs::certificateQuestion(QWidget *parent, const CertificateQuestion &question)
{
    asked.push_back(Asked{Kind::Certificate, certificateCaption(), certificateDetails(question),
                          question.keyChanged ? MsgIcon::Warning : MsgIcon::Question, 0, {},
                          certificateWarning(question), dialogOwner(parent)});
    certificates.push_back(question);
    const auto a = take(answers);
    if (!a || a->certificate < 0)
        return CertificateChoice::Cancel;
    return CertificateChoice(a->certificate);
}

HostKeyChoice ScriptedDialogs::hostKeyQuestion(QWidget *parent, const HostKeyQuestion &question)
{
    asked.push_back(Asked{Kind::HostKey, hostKeyCaption(), hostKeyDetails(question),
                          question.changed ? MsgIcon::Warning : MsgIcon::Question, 0, {},
                          hostKeyWarning(question), dialogOwner(parent)});
    hostKeys.push_back(question);
    const auto a = take(answers);
    if (!a || a->hostKey < 0 || question.changed)
        return HostKeyChoice::Cancel;
    return HostKeyChoice(a->hostKey);
}

bool ScriptedDialogs::inputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                                 QString &value)
{
    return answerInput(Kind::Input, parent, caption, prompt, value);
}

bool ScriptedDialogs::answerInput(Kind kind, QWidget *parent, const QString &caption, const QString &prompt,
                                  QString &value)
{
    // A proposed password is not kept in the record.
    asked.push_back(Asked{kind, caption, prompt, MsgIcon::None, 0, {},
                          kind == Kind::Password ? QString() : value, dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->accept)
        value = a->value;
    return true;
}

bool ScriptedDialogs::passwordQuery(QWidget *parent, const QString &caption, const QString &prompt,
                                    QString &value)
{
    return answerInput(Kind::Password, parent, caption, prompt, value);
}

bool ScriptedDialogs::openFile(QWidget *parent, const FileRequest &request, QString &path)
{
    asked.push_back(Asked{Kind::OpenFile, request.title, {}, MsgIcon::None, 0, request, {}, dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->accept)
        path = a->value.isEmpty() && !a->values.isEmpty() ? a->values.first() : a->value;
    return true;
}

bool ScriptedDialogs::openFiles(QWidget *parent, const FileRequest &request, QStringList &paths)
{
    asked.push_back(Asked{Kind::OpenFiles, request.title, {}, MsgIcon::None, 0, request, {}, dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->accept) {
        paths = a->values;
        if (paths.isEmpty() && !a->value.isEmpty())
            paths << a->value;
    }
    return true;
}

bool ScriptedDialogs::saveFile(QWidget *parent, const FileRequest &request, QString &path)
{
    asked.push_back(Asked{Kind::SaveFile, request.title, {}, MsgIcon::None, 0, request, {}, dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->accept)
        path = withDefaultExtension(a->value, request.defaultExt);
    return true;
}

bool ScriptedDialogs::chooseDirectory(QWidget *parent, const QString &caption, QString &dir)
{
    asked.push_back(Asked{Kind::Directory, caption, {}, MsgIcon::None, 0, {}, dir, dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->accept)
        dir = a->value;
    return true;
}

bool ScriptedDialogs::chooseFont(QWidget *parent, QFont &font)
{
    asked.push_back(Asked{Kind::Font, {}, {}, MsgIcon::None, 0, {}, font.family(), dialogOwner(parent)});
    const auto a = take(answers);
    if (!accepts(a))
        return false;
    if (a->hasFont)
        font = a->font;
    else if (!a->value.isEmpty())
        font.setFamily(a->value);
    return true;
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList texts;
    for (const Asked &q : asked)
        if (q.kind == Kind::Message)
            texts << q.text;
    return texts;
}

} // namespace kav
