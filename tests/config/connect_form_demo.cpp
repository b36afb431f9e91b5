// Shows the host dialog with two profiles, for looking at it by eye (for
// example under a virtual display to take a screenshot). Not a test.
#include "config/connect_form.h"

#include "platform/fonts.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    kav::installFontSubstitutions();
    QApplication::setFont(kav::windowFont());
    kav::ProfileList profiles;
    kav::ProfileEntry e;
    e.HostName = QStringLiteral("자료실");
    e.HostIP = QStringLiteral("ftp.example.net");
    e.UserId = QStringLiteral("kim");
    e.Password = QStringLiteral("secret");
    e.RemotePath = QStringLiteral("/pub");
    e.LocalPath = QStringLiteral("/home/kim/받은 파일");
    e.Connection = {2121, kav::DataMode::Automatic, kav::Security::Tls, QString()};
    e.Connection.Parallel = 4;
    profiles.append(e);
    kav::SessionProfile profile;
    kav::TConnectForm form(profile, profiles);
    form.selectProfile(0);
    form.show();
    form.activateWindow();
    return app.exec();
}
