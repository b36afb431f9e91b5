#pragma once
// A property the fuzz targets assert: on failure the input is a finding, so the
// process stops at once (libFuzzer saves the input; a corpus replay fails).

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// The targets that read a stream check that it reads the same however it
// arrives: the first input byte (shape) chooses the receives, of 1 to 17 or 1 to
// 4096 bytes, varying with their number i.
inline qsizetype fuzzPieceLength(unsigned shape, qsizetype i, qsizetype left)
{
    return qMin(left, qsizetype(1 + (shape * (i + 7)) % (shape < 128 ? 17 : 4096)));
}
