// A deterministic stand-in for libFuzzer: the seeds, then a fixed number of
// mutations of them (bit flips, cuts, splices, edge values) fed to the harness.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/fuzz_seeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

uint64_t gState = 0x9E3779B97F4A7C15u;

uint32_t Next() {
    gState ^= gState << 13;
    gState ^= gState >> 7;
    gState ^= gState << 17;
    return static_cast<uint32_t>(gState >> 11);
}

std::string Mutate(std::string bytes, const std::vector<std::string>& seeds) {
    static const uint32_t kEdges[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x10000, 52, 124, 40};
    for (int s = 0, steps = 1 + Next() % 4; s < steps && !bytes.empty(); ++s) {
        size_t at = Next() % bytes.size();
        switch (Next() % 5) {
            case 0: bytes[at] = static_cast<char>(bytes[at] ^ (1 << (Next() % 8))); break;
            case 1: bytes.resize(at); break;
            case 2: {
                uint32_t value = kEdges[Next() % (sizeof kEdges / sizeof kEdges[0])];
                for (int i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
                break;
            }
            case 3: {
                const std::string& other = seeds[Next() % seeds.size()];
                if (!other.empty()) bytes = bytes.substr(0, at) + other.substr(Next() % other.size());
                break;
            }
            default: bytes.insert(at, std::string(1 + Next() % 16, static_cast<char>(Next())));
        }
    }
    return bytes;
}

int Feed(const std::string& input) {
    return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
}

}  // namespace

int main(int argc, char** argv) {
    long runs = argc > 1 ? strtol(argv[1], nullptr, 10) : 20000;
    std::vector<std::string> seeds = FuzzSeeds();
    for (const std::string& seed : seeds) {
        if (seed.empty()) return fprintf(stderr, "a seed could not be made\n"), 1;
        Feed(seed);
    }
    for (long run = 0; run < runs; ++run) Feed(Mutate(seeds[Next() % seeds.size()], seeds));
    printf("%ld mutated inputs read\n", runs);
    return 0;
}
