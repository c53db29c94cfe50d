// A libFuzzer entry point; POINTRA_FUZZ_TARGET names the reader (a corpus folder name).
#include "fuzz_checks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString problem = FuzzChecks::check(QStringLiteral(POINTRA_FUZZ_TARGET), input);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", POINTRA_FUZZ_TARGET, qPrintable(problem));
        std::abort();
    }
    return 0;
}
