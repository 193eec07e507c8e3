// PNG decoding: the engine's reader (libpng fed through a Stream, rows into
// an Image) against libpng's own simplified read of the same files from
// memory, in the same run. Throughput counts the decoded bytes.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <string>
#include <vector>

#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"

namespace {

void Append(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

// A picture with smooth shading and some grain, like game art: it compresses
// as real files do, neither trivially nor not at all.
std::string MakePng(int width, int height, int colourType) {
    const int channels = colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * channels];
            double wave = std::sin(x * 0.05) * std::cos(y * 0.03);
            for (int c = 0; c < channels; ++c) {
                p[c] = static_cast<uint8_t>(128 + 100 * wave * (c + 1) / channels + ((noise >> (24 + c)) & 7));
            }
            if (channels == 1) p[0] = static_cast<uint8_t>(p[0] % 64);
        }
    }
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[64];
        for (int i = 0; i < 64; ++i) palette[i] = png_color{uint8_t(i * 4), uint8_t(255 - i * 4), uint8_t(i * 2)};
        png_set_PLTE(png, info, palette, 64);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, &pixels[static_cast<size_t>(y) * width * channels]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct Sample {
    const char* name;
    int width, height, colourType;
};

const Sample kSamples[] = {
    {"rgba_512", 512, 512, PNG_COLOR_TYPE_RGB_ALPHA},
    {"rgb_1024", 1024, 1024, PNG_COLOR_TYPE_RGB},
    {"rgba_128", 128, 128, PNG_COLOR_TYPE_RGB_ALPHA},
    {"palette_512", 512, 512, PNG_COLOR_TYPE_PALETTE},
};

const std::string& File(int index) {
    static std::vector<std::string> files = [] {
        std::vector<std::string> made;
        for (const Sample& sample : kSamples) made.push_back(MakePng(sample.width, sample.height, sample.colourType));
        return made;
    }();
    return files[static_cast<size_t>(index)];
}

size_t DecodedBytes(const Sample& sample) {
    int channels = sample.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? 4 : sample.colourType == PNG_COLOR_TYPE_RGB ? 3 : 1;
    return static_cast<size_t>(sample.width) * sample.height * channels;
}

void BM_EngineDecodePng(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const std::string& file = File(index);
    for (auto _ : state) {
        Stream* stream = MemoryStream(const_cast<char*>(file.data()), static_cast<uint32_t>(file.size()), false, nullptr);
        Image* image = DecodePng(stream, nullptr);
        benchmark::DoNotOptimize(image);
        if (image == nullptr) state.SkipWithError("decode failed");
        Image::Free(image);
        stream->Release();
    }
    state.SetLabel(kSamples[index].name);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DecodedBytes(kSamples[index])));
}

void BM_LibpngSimplifiedRead(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const std::string& file = File(index);
    const Sample& sample = kSamples[index];
    std::vector<uint8_t> pixels(DecodedBytes(sample));
    std::vector<uint8_t> colourMap(256 * 4);
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
            state.SkipWithError("begin failed");
            break;
        }
        // The same output as the engine's: RGB, RGBA, or indices with a colour map.
        image.format = sample.colourType == PNG_COLOR_TYPE_RGB_ALPHA ? PNG_FORMAT_RGBA
                       : sample.colourType == PNG_COLOR_TYPE_RGB     ? PNG_FORMAT_RGB
                                                                     : PNG_FORMAT_RGBA_COLORMAP;
        void* map = sample.colourType == PNG_COLOR_TYPE_PALETTE ? colourMap.data() : nullptr;
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, map)) state.SkipWithError("finish failed");
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetLabel(sample.name);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * DecodedBytes(sample)));
}

BENCHMARK(BM_EngineDecodePng)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LibpngSimplifiedRead)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace
