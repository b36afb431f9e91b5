// Kavrin: program start.
#include "button_images.h"
#include "command_line.h"
#include "main_form.h"
#include "program_info.h"
#include "splash.h"

#include "platform/dialogs.h"
#include "platform/termination.h"
#include "platform/translations.h"

#include <QApplication>
#include <QSplashScreen>
#include <cstdio>

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const kav::CommandLine cl = kav::parseCommandLine(arguments);
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "kavrin: %s\nTry 'kavrin --help' for more information.\n",
                     cl.error.toLocal8Bit().constData());
        return 2;
    }
    if (cl.help) {
        std::fputs(kav::usageText(QStringLiteral("kavrin")).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (cl.version) {
        std::printf("kavrin %s\n"
                    "Copyright (C) 2026 Kavrin developers\n"
                    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                    "This is free software: you are free to change and redistribute it.\n"
                    "There is NO WARRANTY, to the extent permitted by law.\n",
                    KAVRIN_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kavrin"));
    QApplication::setApplicationVersion(QStringLiteral(KAVRIN_VERSION));
    // The desktop matches the window to its menu entry (and icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.kavrin.Kavrin"));
    QApplication::setWindowIcon(kav::programIcon());
    kav::installKoreanFonts();
    kav::installQtKoreanTranslations();
    kav::setApplicationTitle(kav::programTitle());

    QSplashScreen *splash = kav::makeSplash();
    splash->show();
    QApplication::processEvents();

    kav::TMainForm mainForm;
    mainForm.setSplash(splash);
    mainForm.setStartProfile(cl.profile);
    if (!cl.logFile.isEmpty() && !mainForm.setLogFile(cl.logFile)) {
        std::fprintf(stderr, "kavrin: cannot open the log file %s\n", cl.logFile.toLocal8Bit().constData());
        return 1;
    }
    QObject::connect(&mainForm, &kav::TMainForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    // A logout or Ctrl+C cancels a running transfer and closes the window the
    // way the exit button does, so the settings are saved and the sockets shut down.
    kav::termination::install([&mainForm](int) { mainForm.terminationRequested(); });

    mainForm.show();
    mainForm.activateWindow();
    return app.exec();
}
