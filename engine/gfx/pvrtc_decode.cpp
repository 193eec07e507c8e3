// PVRTC (version 1) decoder. A level is two low-resolution colour images, A
// and B, one texel per block, stored with per-texel modulation weights. Each
// texel blends A and B, both bilinearly upscaled from the block centres with
// wrap-around at the edges. Blocks are stored in Morton order, y in the low bit.
#include <cstring>
#include <vector>

#include "gfx/texture_decode.h"

namespace {

struct Colour {
    int r, g, b, a;  // 0..255
};

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

int Expand5(uint32_t v) { return static_cast<int>((v << 3) | (v >> 2)); }
int Expand4(uint32_t v) { return static_cast<int>((v << 4) | v); }
int Expand3(uint32_t v) { return static_cast<int>((v << 5) | (v << 2) | (v >> 1)); }

// Colour A lives in bits 1-15 of the colour word: opaque 5-5-4, or 3-4-4-3
// with alpha when bit 15 is clear.
Colour ColourA(uint32_t word) {
    if (word & 0x8000) {
        uint32_t b4 = (word >> 1) & 15;
        return {Expand5((word >> 10) & 31), Expand5((word >> 5) & 31), Expand5((b4 << 1) | (b4 >> 3)), 255};
    }
    return {Expand4((word >> 8) & 15), Expand4((word >> 4) & 15), Expand3((word >> 1) & 7),
            Expand3((word >> 12) & 7)};
}

// Colour B lives in bits 16-31: opaque 5-5-5, or 3-4-4-4 with alpha.
Colour ColourB(uint32_t word) {
    if (word & 0x80000000u) {
        return {Expand5((word >> 26) & 31), Expand5((word >> 21) & 31), Expand5((word >> 16) & 31), 255};
    }
    return {Expand4((word >> 24) & 15), Expand4((word >> 20) & 15), Expand4((word >> 16) & 15),
            Expand3((word >> 28) & 7)};
}

uint32_t MortonIndex(uint32_t bx, uint32_t by, uint32_t blocksWide, uint32_t blocksHigh) {
    uint32_t minAxis = blocksWide < blocksHigh ? blocksWide : blocksHigh;
    uint32_t index = 0;
    int shift = 0;
    for (uint32_t bit = 1; bit < minAxis; bit <<= 1, ++shift) {
        if (by & bit) index |= 1u << (2 * shift);
        if (bx & bit) index |= 1u << (2 * shift + 1);
    }
    uint32_t rest = (blocksWide > blocksHigh ? bx : by) >> shift;
    return index | (rest << (2 * shift));
}

// Weights out of 8 for the 2-bit modulation values.
constexpr int kWeights[4] = {0, 3, 5, 8};
constexpr int kPunchThroughWeights[4] = {0, 4, 4, 8};

enum ModulationKind : uint8_t { kStored, kAverageFour, kAverageLeftRight, kAverageUpDown, kPunchThrough };

}  // namespace

void DecodePvrtcLevel(const uint8_t* data, int32_t width, int32_t height, bool twoBit, bool withAlpha,
                      uint8_t* out) {
    const int32_t blockWidth = twoBit ? 8 : 4, blockHeight = 4;
    const uint32_t blocksWide = static_cast<uint32_t>(width / blockWidth);
    const uint32_t blocksHigh = static_cast<uint32_t>(height / blockHeight);
    const size_t texelCount = static_cast<size_t>(width) * height;

    std::vector<Colour> colourA(static_cast<size_t>(blocksWide) * blocksHigh);
    std::vector<Colour> colourB(colourA.size());
    std::vector<uint8_t> weight(texelCount);  // 0..8
    std::vector<uint8_t> kind(texelCount, kStored);

    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx) {
            const uint8_t* block = data + static_cast<size_t>(MortonIndex(bx, by, blocksWide, blocksHigh)) * 8;
            uint32_t modulation = ReadU32(block), colours = ReadU32(block + 4);
            colourA[by * blocksWide + bx] = ColourA(colours);
            colourB[by * blocksWide + bx] = ColourB(colours);
            const bool modeBit = colours & 1;
            const int32_t x0 = static_cast<int32_t>(bx) * blockWidth, y0 = static_cast<int32_t>(by) * blockHeight;
            auto at = [&](int tx, int ty) { return static_cast<size_t>(y0 + ty) * width + x0 + tx; };
            if (!twoBit) {
                for (int i = 0; i < 16; ++i) {
                    uint32_t v = (modulation >> (2 * i)) & 3;
                    size_t t = at(i & 3, i >> 2);
                    weight[t] = static_cast<uint8_t>(modeBit ? kPunchThroughWeights[v] : kWeights[v]);
                    if (modeBit && v == 2) kind[t] = kPunchThrough;
                }
            } else if (!modeBit) {
                // One bit per texel: colour A or colour B.
                for (int i = 0; i < 32; ++i) weight[at(i & 7, i >> 3)] = ((modulation >> i) & 1) ? 8 : 0;
            } else {
                // Two bits for every other texel in a checkerboard; the rest
                // average their neighbours, in the way the low bits choose.
                uint8_t fill = kAverageFour;
                if (modulation & 1) {
                    fill = (modulation & (1u << 20)) ? kAverageUpDown : kAverageLeftRight;
                    modulation = (modulation & ~(1u << 20)) | ((modulation >> 1) & (1u << 20));
                }
                modulation = (modulation & ~1u) | ((modulation >> 1) & 1u);
                for (int ty = 0; ty < 4; ++ty) {
                    for (int tx = 0; tx < 8; ++tx) {
                        size_t t = at(tx, ty);
                        if (((tx ^ ty) & 1) == 0) {
                            weight[t] = static_cast<uint8_t>(kWeights[modulation & 3]);
                            modulation >>= 2;
                        } else {
                            kind[t] = fill;
                        }
                    }
                }
            }
        }
    }

    auto wrap = [](int32_t v, int32_t size) { return ((v % size) + size) % size; };
    auto storedWeight = [&](int32_t x, int32_t y) {
        return static_cast<int>(weight[static_cast<size_t>(wrap(y, height)) * width + wrap(x, width)]);
    };
    const int area = blockWidth * blockHeight;
    for (int32_t y = 0; y < height; ++y) {
        // Texel y lies between the centres of block rows by0 and by0 + 1.
        const int32_t py = y - blockHeight / 2;
        const int32_t by0 = (py >= 0 ? py : py - blockHeight + 1) / blockHeight;
        const int fy = py - by0 * blockHeight;
        const uint32_t rowTop = static_cast<uint32_t>(wrap(by0, static_cast<int32_t>(blocksHigh)));
        const uint32_t rowBottom = static_cast<uint32_t>(wrap(by0 + 1, static_cast<int32_t>(blocksHigh)));
        for (int32_t x = 0; x < width; ++x) {
            const int32_t px = x - blockWidth / 2;
            const int32_t bx0 = (px >= 0 ? px : px - blockWidth + 1) / blockWidth;
            const int fx = px - bx0 * blockWidth;
            const uint32_t left = static_cast<uint32_t>(wrap(bx0, static_cast<int32_t>(blocksWide)));
            const uint32_t right = static_cast<uint32_t>(wrap(bx0 + 1, static_cast<int32_t>(blocksWide)));
            const size_t p = rowTop * blocksWide + left, q = rowTop * blocksWide + right;
            const size_t r = rowBottom * blocksWide + left, s = rowBottom * blocksWide + right;
            const int wp = (blockWidth - fx) * (blockHeight - fy), wq = fx * (blockHeight - fy);
            const int wr = (blockWidth - fx) * fy, ws = fx * fy;
            auto blend = [&](const std::vector<Colour>& c, int Colour::*channel) {
                return (c[p].*channel * wp + c[q].*channel * wq + c[r].*channel * wr + c[s].*channel * ws +
                        area / 2) / area;
            };

            const size_t t = static_cast<size_t>(y) * width + x;
            int m = weight[t];
            switch (kind[t]) {
                case kAverageFour:
                    m = (storedWeight(x - 1, y) + storedWeight(x + 1, y) + storedWeight(x, y - 1) +
                         storedWeight(x, y + 1) + 2) / 4;
                    break;
                case kAverageLeftRight: m = (storedWeight(x - 1, y) + storedWeight(x + 1, y) + 1) / 2; break;
                case kAverageUpDown: m = (storedWeight(x, y - 1) + storedWeight(x, y + 1) + 1) / 2; break;
                default: break;
            }
            uint8_t* texel = out + t * 4;
            int Colour::*channels[4] = {&Colour::r, &Colour::g, &Colour::b, &Colour::a};
            for (int ch = 0; ch < 4; ++ch) {
                int a = blend(colourA, channels[ch]), b = blend(colourB, channels[ch]);
                texel[ch] = static_cast<uint8_t>((a * (8 - m) + b * m + 4) / 8);
            }
            if (!withAlpha) texel[3] = 255;
            else if (kind[t] == kPunchThrough) texel[3] = 0;
        }
    }
}
