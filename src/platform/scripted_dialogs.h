#pragma once
// A dialog service for tests: answers come from a queue, every question is recorded.

#include "dialogs.h"

#include <deque>
#include <vector>

namespace kav {

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Input, Password, OpenFile, OpenFiles, SaveFile, Directory, Font, Certificate, HostKey };

    struct Asked {
        Kind kind;
        QString caption;   // message caption, input caption or file dialog title
        QString text;      // message text or input prompt
        MsgIcon icon = MsgIcon::None;
        int buttons = 0;
        FileRequest file;  // for file dialogs
        QString value;        // input: the proposed text; directory: the start directory
        QWidget *parent = nullptr;  // the window it was shown over (dialogOwner)
    };

    // One queued answer. For message boxes `button`; for the others `accept`
    // with `value` (input text, path, directory) or `values` (several files).
    struct Answer {
        int button = 0;
        bool accept = false;
        QString value;
        QStringList values;
        QFont font;
        bool hasFont = false;  // chooseFont: take `font` (else the family named by `value`)
        int certificate = -1;  // certificateQuestion: a CertificateChoice
        int hostKey = -1;      // hostKeyQuestion: a HostKeyChoice
    };

    void pushButton(int button) { answers.push_back(Answer{button, false, {}, {}, {}}); }
    void pushAccept(const QString &value = {}) { answers.push_back(Answer{0, true, value, {}, {}}); }
    void pushAcceptMany(const QStringList &values) { answers.push_back(Answer{0, true, {}, values, {}}); }
    void pushCancel() { answers.push_back(Answer{BtnCancel, false, {}, {}, {}}); }
    void pushFont(const QFont &font) { answers.push_back(Answer{0, true, {}, {}, font, true}); }
    void pushCertificate(CertificateChoice choice)
    {
        Answer a;
        a.certificate = int(choice);
        answers.push_back(a);
    }
    void pushHostKey(HostKeyChoice choice)
    {
        Answer a;
        a.hostKey = int(choice);
        answers.push_back(a);
    }
    // Forgets the queued answers and the questions asked (between test cases).
    void clear()
    {
        answers.clear();
        asked.clear();
        certificates.clear();
        hostKeys.clear();
    }

    // With no answer queued: a message box returns its "safe" button (OK for
    // information boxes, No for Yes/No, Cancel when present); other dialogs are cancelled.
    // A message box given an accepting answer (pushAccept) returns Yes, else OK; an
    // input or file dialog given a button answer accepts on OK or Yes and keeps the
    // caller's value. The answer is taken whatever kind of dialog it was queued for.
    // A save answer gets the dialog's default extension as the Qt dialog would add it.
    int messageBox(QWidget *parent, const QString &caption, const QString &text, MsgIcon icon,
                   int buttons) override;
    bool inputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                    QString &value) override;
    // Recorded as Kind::Password, without the proposed text.
    bool passwordQuery(QWidget *parent, const QString &caption, const QString &prompt,
                       QString &value) override;
    bool openFile(QWidget *parent, const FileRequest &request, QString &path) override;
    bool openFiles(QWidget *parent, const FileRequest &request, QStringList &paths) override;
    bool saveFile(QWidget *parent, const FileRequest &request, QString &path) override;
    bool chooseDirectory(QWidget *parent, const QString &caption, QString &dir) override;
    bool chooseFont(QWidget *parent, QFont &font) override;
    // Without a certificate answer queued: Cancel.
    CertificateChoice certificateQuestion(QWidget *parent, const CertificateQuestion &question) override;
    // Without a host key answer queued: Cancel.
    HostKeyChoice hostKeyQuestion(QWidget *parent, const HostKeyQuestion &question) override;

    // Texts of the message boxes asked so far, in order.
    QStringList messageTexts() const;

    std::deque<Answer> answers;
    std::vector<Asked> asked;
    // The certificate questions asked (also in `asked`: details as text, the red warning as value).
    std::vector<CertificateQuestion> certificates;
    // The host key questions asked (also in `asked`, as the certificates are).
    std::vector<HostKeyQuestion> hostKeys;

private:
    bool answerInput(Kind kind, QWidget *parent, const QString &caption, const QString &prompt, QString &value);
};

} // namespace kav
