// Runs a fuzz target's entry function once on every input of its committed
// corpus, so that the targets keep building with the ordinary compiler and
// every kept input (seeds and former findings) is checked on every run.

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

TEST(CorpusReplay, EveryKeptInputHoldsItsProperties)
{
    const QDir dir(QStringLiteral(KAVRIN_CORPUS));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << "no corpus in " << KAVRIN_CORPUS;
    if (LLVMFuzzerInitialize) {
        int argc = 0;
        char **argv = nullptr;
        LLVMFuzzerInitialize(&argc, &argv);
    }
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        SCOPED_TRACE(name.toStdString());
        // A failed property aborts the process; the trace above names the input.
        std::fprintf(stderr, "input %s (%lld bytes)\n", qPrintable(name), static_cast<long long>(bytes.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
}
