#include "FuzzEntries.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString problem = fuzzentry::listingModule(data, size);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "invariant broken: %s\n", problem.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
