// Any bytes as a pack in memory. With an all-zero key table (as the seeds use)
// the index is stored plain and mutations land on the numbers themselves.
#include <cstddef>
#include <cstdint>

#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "platform/debug_log.h"
#include "tests/fs/pack_test_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const uint8_t kZeroKeys[kEpk2KeyTableSize] = {};
    static bool quiet = (SetDebugSink([](const char*) {}), SetPackKeyTable(kZeroKeys), true);
    (void)quiet;
    ExercisePackImage(data, size);
    return 0;
}
