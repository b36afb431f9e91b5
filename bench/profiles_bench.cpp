// Reading a long profile list from KAVRIN.INI: the one pass the configuration
// makes, beside one password search per profile (the way it was read before).
//   build-dev/bench/profiles_bench [PROFILES]
#include "config/configuration_file.h"
#include "config/password_scrambler.h"
#include "platform/ini_file.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

using namespace kav;

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 16000;
    QString text = QStringLiteral("[IPADDRESS]\n");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("host%1=10.0.%2.%3;user%1;/pub;/home;/home;a.txt;/pub;b.txt\n")
                    .arg(i).arg(i / 250).arg(i % 250);
    text += QStringLiteral("\n[PASSWORD]\n");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("host%1=%2\n").arg(i).arg(ScramblePassword(QStringLiteral("secret%1").arg(i)));
    IniFile ini;
    ini.setText(text);

    QElapsedTimer t;
    t.start();
    const QList<ProfileEntry> onePass = readProfiles(ini);
    const qint64 onePassMs = t.elapsed();

    t.restart();
    QList<ProfileEntry> perProfile = readProfiles(ini, false);
    for (ProfileEntry &e : perProfile)
        e.Password = UnscramblePassword(ini.readString(QStringLiteral("PASSWORD"), e.HostName));
    const qint64 perProfileMs = t.elapsed();

    bool same = onePass.size() == perProfile.size();
    for (qsizetype i = 0; same && i < onePass.size(); ++i)
        same = onePass[i].Password == perProfile[i].Password;
    std::printf("%d profiles: one pass %lld ms, one search per profile %lld ms, passwords %s\n", count,
                static_cast<long long>(onePassMs), static_cast<long long>(perProfileMs),
                same ? "equal" : "DIFFER");
    return same ? 0 : 1;
}
