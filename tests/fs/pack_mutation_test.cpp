// Random damage to a good pack, many thousands of times: parsing, lookup,
// listing and reading must stay inside the pack's bytes and always end. The
// fuzzer explores the same function without bounds; this keeps a fixed,
// repeatable share of it in every test run.
#include <gtest/gtest.h>

#include <vector>

#include "fs/pack_format.h"
#include "fs/pack_keys.h"
#include "platform/debug_log.h"
#include "tests/fs/pack_test_util.h"

namespace {

TEST(PackMutationTest, RandomDamageNeverEscapesThePack) {
    const std::vector<uint8_t> good = BuildSamplePack(GetBuiltInPackKeyTable());
    uint32_t indexEnd = GetU32(good, kEpk2OffsetIndexEnd);
    DebugSink previous = SetDebugSink([](const char*) {});
    uint32_t state = 0x9E3779B9u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        {
            // Edits go to the descrambled index so they change numbers, not noise.
            PackIndexEditor editor(&bytes, GetBuiltInPackKeyTable());
            int edits = 1 + static_cast<int>(next() % 4);
            for (int e = 0; e < edits; ++e) {
                size_t at = next() % 4 == 0 ? next() % bytes.size() : next() % indexEnd;
                switch (next() % 3) {
                    case 0: bytes[at] ^= static_cast<uint8_t>(1u << (next() % 8)); break;
                    case 1: bytes[at] = static_cast<uint8_t>(next()); break;
                    default:
                        if (at + 4 <= bytes.size()) SetU32(&bytes, at, next() % (indexEnd + 64));
                }
            }
            editor.Commit();
        }
        if (next() % 8 == 0) bytes.resize(next() % bytes.size());
        // An exact-size copy lets the address checker see any read past the end.
        std::vector<uint8_t> exact(bytes.begin(), bytes.end());
        ExercisePackImage(exact.data(), exact.size());
    }
    SetDebugSink(previous);
}

}  // namespace
