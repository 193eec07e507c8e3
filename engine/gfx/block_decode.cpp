// DXT1 and ATC block decoders, and the dispatch of every compressed code to
// its decoder. Blocks cover 4x4 texels; texels beyond the level's edge are
// dropped.
#include <cstring>
#include <vector>

#include "gfx/texture_decode.h"
#include "platform/debug_log.h"

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t ReadU64(const uint8_t* p) { return ReadU32(p) | (static_cast<uint64_t>(ReadU32(p + 4)) << 32); }

uint8_t Expand5(uint32_t v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }
uint8_t Expand6(uint32_t v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); }

void Rgb565(uint16_t c, uint8_t out[4]) {
    out[0] = Expand5((c >> 11) & 31);
    out[1] = Expand6((c >> 5) & 63);
    out[2] = Expand5(c & 31);
    out[3] = 255;
}

// Picks each texel's colour from a four-entry table by its 2-bit index.
void ApplyIndices(uint32_t indices, const uint8_t colours[4][4], uint8_t out[16][4]) {
    for (int i = 0; i < 16; ++i) memcpy(out[i], colours[(indices >> (2 * i)) & 3], 4);
}

// The 16 alphas of an explicit 4-bit alpha block.
void DecodeExplicitAlpha(const uint8_t block[8], uint8_t out[16][4]) {
    uint64_t bits = ReadU64(block);
    for (int i = 0; i < 16; ++i) out[i][3] = static_cast<uint8_t>(((bits >> (4 * i)) & 15) * 17);
}

// The 16 alphas of an interpolated alpha block: two end points and 3-bit indices.
void DecodeInterpolatedAlpha(const uint8_t block[8], uint8_t out[16][4]) {
    int a0 = block[0], a1 = block[1];
    int table[8] = {a0, a1};
    if (a0 > a1) {
        for (int i = 1; i < 7; ++i) table[i + 1] = ((7 - i) * a0 + i * a1) / 7;
    } else {
        for (int i = 1; i < 5; ++i) table[i + 1] = ((5 - i) * a0 + i * a1) / 5;
        table[6] = 0;
        table[7] = 255;
    }
    uint64_t bits = ReadU64(block) >> 16;
    for (int i = 0; i < 16; ++i) out[i][3] = static_cast<uint8_t>(table[(bits >> (3 * i)) & 7]);
}

using BlockDecoder = void (*)(const uint8_t* block, uint8_t out[16][4]);

void Dxt1Opaque(const uint8_t* block, uint8_t out[16][4]) { DecodeDxt1Block(block, false, out); }
void Dxt1Alpha(const uint8_t* block, uint8_t out[16][4]) { DecodeDxt1Block(block, true, out); }
void AtcRgb(const uint8_t* block, uint8_t out[16][4]) { DecodeAtcColourBlock(block, out); }
void AtcExplicit(const uint8_t* block, uint8_t out[16][4]) {
    DecodeAtcColourBlock(block + 8, out);
    DecodeExplicitAlpha(block, out);
}
void AtcInterpolated(const uint8_t* block, uint8_t out[16][4]) {
    DecodeAtcColourBlock(block + 8, out);
    DecodeInterpolatedAlpha(block, out);
}

void DecodeBlocks(const uint8_t* data, int32_t width, int32_t height, uint32_t blockBytes, BlockDecoder decode,
                  uint8_t* out) {
    const int32_t blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
    uint8_t texels[16][4];
    for (int32_t by = 0; by < blocksHigh; ++by) {
        for (int32_t bx = 0; bx < blocksWide; ++bx) {
            decode(data + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes, texels);
            for (int ty = 0; ty < 4; ++ty) {
                int32_t y = by * 4 + ty;
                if (y >= height) break;
                for (int tx = 0; tx < 4; ++tx) {
                    int32_t x = bx * 4 + tx;
                    if (x >= width) break;
                    memcpy(out + (static_cast<size_t>(y) * width + x) * 4, texels[ty * 4 + tx], 4);
                }
            }
        }
    }
}

bool IsPowerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

}  // namespace

void DecodeDxt1Block(const uint8_t block[8], bool withAlpha, uint8_t out[16][4]) {
    uint16_t c0 = ReadU16(block), c1 = ReadU16(block + 2);
    uint8_t colours[4][4];
    Rgb565(c0, colours[0]);
    Rgb565(c1, colours[1]);
    for (int ch = 0; ch < 3; ++ch) {
        int a = colours[0][ch], b = colours[1][ch];
        if (c0 > c1) {
            colours[2][ch] = static_cast<uint8_t>((2 * a + b) / 3);
            colours[3][ch] = static_cast<uint8_t>((a + 2 * b) / 3);
        } else {
            colours[2][ch] = static_cast<uint8_t>((a + b) / 2);
            colours[3][ch] = 0;
        }
    }
    colours[2][3] = 255;
    colours[3][3] = (c0 <= c1 && withAlpha) ? 0 : 255;
    ApplyIndices(ReadU32(block + 4), colours, out);
}

void DecodeAtcColourBlock(const uint8_t block[8], uint8_t out[16][4]) {
    uint16_t c0 = ReadU16(block), c1 = ReadU16(block + 2);
    uint8_t colours[4][4];
    // The first colour is 5-5-5 with the block's mode in its top bit.
    const uint8_t first[3] = {Expand5((c0 >> 10) & 31), Expand5((c0 >> 5) & 31), Expand5(c0 & 31)};
    uint8_t second[4];
    Rgb565(c1, second);
    for (int ch = 0; ch < 3; ++ch) {
        int a = first[ch], b = second[ch];
        if (c0 & 0x8000) {
            colours[0][ch] = 0;
            colours[1][ch] = static_cast<uint8_t>(a - b / 4 < 0 ? 0 : a - b / 4);
            colours[2][ch] = static_cast<uint8_t>(a);
            colours[3][ch] = static_cast<uint8_t>(b);
        } else {
            colours[0][ch] = static_cast<uint8_t>(a);
            colours[1][ch] = static_cast<uint8_t>((2 * a + b) / 3);
            colours[2][ch] = static_cast<uint8_t>((a + 2 * b) / 3);
            colours[3][ch] = static_cast<uint8_t>(b);
        }
    }
    for (auto& colour : colours) colour[3] = 255;
    ApplyIndices(ReadU32(block + 4), colours, out);
}

bool DecodeCompressedToRgba(PixelFormat code, int32_t width, int32_t height, const uint8_t* data, uint32_t size,
                            uint8_t* out) {
    if (!IsCompressedPixelFormat(code) || width <= 0 || height <= 0) {
        LogError("cannot decode format %d at %dx%d.", code, width, height);
        return false;
    }
    uint32_t needed = CompressedDataSize(code, width, height);
    if (!data || size < needed) {
        LogError("compressed data of format %d at %dx%d holds %u bytes, needs %u.", code, width, height, size,
                 needed);
        return false;
    }
    switch (code) {
        case kPixelDxt1Rgb: DecodeBlocks(data, width, height, 8, Dxt1Opaque, out); return true;
        case kPixelDxt1Rgba: DecodeBlocks(data, width, height, 8, Dxt1Alpha, out); return true;
        case kPixelAtcRgb: DecodeBlocks(data, width, height, 8, AtcRgb, out); return true;
        case kPixelAtcRgbaExplicit: DecodeBlocks(data, width, height, 16, AtcExplicit, out); return true;
        case kPixelAtcRgbaInterpolated: DecodeBlocks(data, width, height, 16, AtcInterpolated, out); return true;
        default: break;
    }
    // PVRTC levels smaller than the format's minimum are stored at that
    // minimum; decode it whole and keep the top-left corner.
    const bool twoBit = code == kPixelPvrtcRgb2 || code == kPixelPvrtcRgba2;
    const bool withAlpha = code == kPixelPvrtcRgba4 || code == kPixelPvrtcRgba2;
    if (!IsPowerOfTwo(width) || !IsPowerOfTwo(height)) {
        LogError("PVRTC level %dx%d is not a power of two.", width, height);
        return false;
    }
    const int32_t storedWidth = width < (twoBit ? 16 : 8) ? (twoBit ? 16 : 8) : width;
    const int32_t storedHeight = height < 8 ? 8 : height;
    if (storedWidth == width && storedHeight == height) {
        DecodePvrtcLevel(data, width, height, twoBit, withAlpha, out);
        return true;
    }
    std::vector<uint8_t> whole(static_cast<size_t>(storedWidth) * storedHeight * 4);
    DecodePvrtcLevel(data, storedWidth, storedHeight, twoBit, withAlpha, whole.data());
    for (int32_t y = 0; y < height; ++y) {
        memcpy(out + static_cast<size_t>(y) * width * 4, whole.data() + static_cast<size_t>(y) * storedWidth * 4,
               static_cast<size_t>(width) * 4);
    }
    return true;
}
