// Shared main() of the test executables: one QApplication (offscreen unless the
// environment chose a platform), and the scripted dialog service installed so
// that no test ever waits for a person. No test reaches the desktop's keyring
// either: the keyring is absent unless a test installs one of its own.
#include "platform/dialogs.h"
#include "platform/keyring.h"
#include "platform/scripted_dialogs.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery lists the tests without the test environment: no display then.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test may read or write the user's own settings: unless a test chose a
    // settings directory, every run gets a fresh one.
    QTemporaryDir settingsHome;
    if (qEnvironmentVariableIsEmpty("KAVRIN_HOME"))
        qputenv("KAVRIN_HOME", settingsHome.path().toUtf8());
    QApplication app(argc, argv);
    kav::setDialogs(std::make_unique<kav::ScriptedDialogs>());
    kav::setKeyring(kav::makeAbsentKeyring());
    return RUN_ALL_TESTS();
}
