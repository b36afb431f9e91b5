#include "command_line.h"

namespace kav {

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    bool optionsEnded = false;
    bool haveProfile = false;
    for (const QString &arg : arguments) {
        if (!optionsEnded && arg.startsWith(QStringLiteral("--"))) {
            if (arg == QStringLiteral("--")) {
                optionsEnded = true;
            } else if (arg == QStringLiteral("--help")) {
                cl.help = true;
            } else if (arg == QStringLiteral("--version")) {
                cl.version = true;
            } else if (arg.startsWith(QStringLiteral("--log-file="))) {
                cl.logFile = arg.mid(11);
                if (cl.logFile.isEmpty())
                    cl.error = QStringLiteral("--log-file 에 파일 이름이 없습니다: --log-file=경로");
            } else if (arg == QStringLiteral("--log-file")) {
                cl.error = QStringLiteral("--log-file 에 파일 이름이 없습니다: --log-file=경로");
            } else {
                cl.error = QStringLiteral("알 수 없는 옵션입니다: ") + arg;
            }
            continue;
        }
        if (!haveProfile) {
            cl.profile = arg;
            haveProfile = true;
        }
    }
    return cl;
}

QString usageText(const QString &programName)
{
    return QStringLiteral("사용법: %1 [옵션]... [프로필]\n"
                          "Kavrin FTP 클라이언트. 프로필을 주면 시작할 때 그 호스트 프로필로 연결합니다.\n"
                          "\n"
                          "  --log-file=경로  메시지 창의 모든 줄을 경로의 파일에도 덧붙입니다\n"
                          "  --help           이 도움말을 보이고 끝냅니다\n"
                          "  --version        버전을 보이고 끝냅니다\n"
                          "  --               옵션의 끝 (\"--\"로 시작하는 이름의 프로필에)\n")
        .arg(programName);
}

} // namespace kav
