// Any bytes as an RTF document: read, written, and read again, the text must be
// the same (nothing dropped or joined on save and reopen).
#include "fuzz_check.h"

#include "viewers/rtf_reader.h"
#include "viewers/rtf_writer.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // A document's fonts need an application; no window is ever shown.
    if (!QGuiApplication::instance()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int appArgc = 1;
        static char name[] = "rtf_fuzz";
        static char *appArgv[] = {name, nullptr};
        new QGuiApplication(appArgc, appArgv);
    }
    (void)argc;
    (void)argv;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    kav::viewers::looksLikeRtf(bytes);
    QTextDocument first;
    kav::viewers::readRtf(bytes, first);
    const QByteArray saved = kav::viewers::writeRtf(first);
    QTextDocument second;
    kav::viewers::readRtf(saved, second);
    FUZZ_CHECK(second.toPlainText() == first.toPlainText());
    return 0;
}
