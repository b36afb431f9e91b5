#pragma once
// The program's command line: "--" options first-class, the first other
// argument is the profile to connect to at start-up.

#include <QString>
#include <QStringList>

namespace kav {

struct CommandLine {
    bool help = false;
    bool version = false;
    QString logFile;       // --log-file=PATH: every logged line is appended there too
    QString profile;       // the first argument that is not an option
    QString error;         // non-empty: the command line is not usable (text for the user)
};

// Arguments without the program name. "--" ends the options, so a profile whose
// name begins with "--" can still be named.
CommandLine parseCommandLine(const QStringList &arguments);

QString usageText(const QString &programName);

} // namespace kav
