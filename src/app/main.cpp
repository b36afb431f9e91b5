// Kavrin: program start.
#include "button_images.h"
#include "command_line.h"
#include "main_form.h"
#include "program_info.h"
#include "splash.h"

#include "platform/dialogs.h"
#include "platform/memory_use.h"
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
        std::fprintf(stderr, "kavrin: %s\n자세한 내용은 'kavrin --help' 를 보십시오.\n",
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
                    "사용 허가: GNU GPL 버전 3 이상 <https://gnu.org/licenses/gpl.html>.\n"
                    "자유 소프트웨어입니다: 바꾸고 다시 배포할 수 있습니다.\n"
                    "법이 허용하는 한 어떠한 보증도 없습니다.\n",
                    KAVRIN_VERSION);
        return 0;
    }

    kav::keepLargeBlocksApart();
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
        std::fprintf(stderr, "kavrin: 기록 파일 %s 을(를) 열 수 없습니다\n", cl.logFile.toLocal8Bit().constData());
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
