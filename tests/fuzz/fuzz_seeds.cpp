#include "tests/fuzz/fuzz_seeds.h"

#include "tests/gfx_images/image_test_files.h"

std::vector<std::string> ImageFuzzSeeds() {
    std::vector<std::string> seeds;
    auto png = [&](int colourType, int depth, bool interlaced, int width, int height) {
        PngLayout layout = NoisePngLayout(colourType, depth, interlaced, width, height, 5);
        if (colourType == 3) {
            layout.palette.assign(3 * 4, 90);
            layout.alphas = {3, 200};
        }
        seeds.push_back(WritePng(layout));
    };
    png(2, 8, false, 5, 4);
    png(6, 8, false, 4, 4);
    png(6, 16, true, 9, 9);
    png(3, 2, false, 7, 3);
    png(3, 8, true, 6, 6);
    std::string rows;
    for (int i = 0; i < 48; ++i) rows += static_cast<char>(i * 29);
    seeds.push_back(MakeBmp(3, 4, 24, 0, 0, rows));
    seeds.push_back(MakeBmp(3, -3, 32, 0, 0, rows));
    seeds.push_back(MakeDds(8, 4, "DXT1", std::string(16, '\x5A')));
    seeds.push_back(MakePvr(8, 8, 25, 4, 32, std::string(32, '\x21')));
    seeds.push_back(MakePvr(16, 8, 24, 2, 32, std::string(32, '\x12')));
    return seeds;
}

std::vector<std::string> FuzzSeeds() { return ImageFuzzSeeds(); }
