// Writes the fuzzing seeds as files into the folder given, for libFuzzer's corpus.
#include <cstdio>
#include <string>

#include "tests/fuzz/fuzz_seeds.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    int index = 0;
    for (const std::string& seed : FuzzSeeds()) {
        std::string path = std::string(argv[1]) + "/seed" + std::to_string(index++);
        FILE* file = fopen(path.c_str(), "wb");
        if (file == nullptr || fwrite(seed.data(), 1, seed.size(), file) != seed.size() || fclose(file) != 0) return 1;
    }
    return 0;
}
