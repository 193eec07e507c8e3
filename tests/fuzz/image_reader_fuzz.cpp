// The image readers and the conversions after a decode under a fuzzer: every
// image that comes back must be whole and sized as its format says.
#include <cstdlib>
#include <vector>

#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "platform/debug_log.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/gfx_images/image_test_files.h"

namespace {

uint32_t Touch(const Image* image) {  // every byte, so a sanitizer sees unwritten ones
    uint32_t sum = 0;
    for (uint32_t i = 0; i < image->dataSize; ++i) sum += image->pixels[i];
    return sum;
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    // PNG colour type, depth, interlaced, width, height
    const int pngs[][5] = {{2, 8, 0, 5, 4}, {6, 8, 0, 4, 4}, {6, 16, 1, 9, 9}, {3, 2, 0, 7, 3}, {3, 8, 1, 6, 6}};
    for (const auto& p : pngs) {
        PngLayout layout = NoisePngLayout(p[0], p[1], p[2] != 0, p[3], p[4], 5);
        if (p[0] == 3) layout.palette.assign(3 * 4, 90), layout.alphas = {3, 200};
        seeds.push_back(WritePng(layout));
    }
    std::string rows;
    for (int i = 0; i < 48; ++i) rows += static_cast<char>(i * 29);
    seeds.insert(seeds.end(), {MakeBmp(3, 4, 24, 0, 0, rows), MakeBmp(3, -3, 32, 0, 0, rows),
                               MakeDds(8, 4, "DXT1", std::string(16, '\x5A')),
                               MakePvr(8, 8, 25, 4, 32, std::string(32, '\x21')),
                               MakePvr(16, 8, 24, 2, 32, std::string(32, '\x12'))});
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetDebugSink([](const char*) {});
    if (size > 1u << 20) return 0;
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so reads past the end are caught
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    Image* image = stream ? LoadImage(stream, nullptr) : nullptr;
    if (stream) stream->Release();
    if (image == nullptr) return 0;
    if (image->width < 1 || image->height < 1 || image->width > kMaxImageSide || image->height > kMaxImageSide ||
        image->dataSize != ImageDataSize(image->type, image->width, image->height))
        abort();
    volatile uint32_t sink = Touch(image);
    Image* rgba = image->type == kPixelIndexed8 ? ExpandPaletteToRgba(image) : ExpandRgbToRgba(image);
    if (rgba != nullptr) {
        FillTransparentPixels(rgba);
        sink = Touch(rgba);
        Image::Free(rgba);
    }
    (void)sink;
    Image::Free(image);
    return 0;
}
