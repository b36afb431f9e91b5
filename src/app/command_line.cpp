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
                    cl.error = QStringLiteral("--log-file needs a file name: --log-file=PATH");
            } else if (arg == QStringLiteral("--log-file")) {
                cl.error = QStringLiteral("--log-file needs a file name: --log-file=PATH");
            } else {
                cl.error = QStringLiteral("unknown option: ") + arg;
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
    return QStringLiteral("Usage: %1 [OPTION]... [PROFILE]\n"
                          "Kavrin, an FTP client. With PROFILE, connects to that host profile at start-up.\n"
                          "\n"
                          "  --log-file=PATH  also append every message-log line to PATH\n"
                          "  --help           show this help and exit\n"
                          "  --version        show the version and exit\n"
                          "  --               end of options (for a profile named \"--...\")\n")
        .arg(programName);
}

} // namespace kav
