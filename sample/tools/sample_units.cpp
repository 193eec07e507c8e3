// Draws the sample game's unit sprite sheets at build time: 512 x 512
// sheets laid out as the unit animation table reads them (idle and walk
// frames, the attack swing, the turned frames of hurt, down and the like,
// and the blinking eyes), one sheet per side and type. Everything is plain
// geometry, so the output is the same on every machine.
//
//   sample_units OUTDIR   writes OUTDIR/img/dot/R_<type>_<side>.png for the
//                         sample's types 1 and 2 of sides 0 and 1
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "game/unit.h"
#include "sample_image.h"

namespace {

constexpr int kSheet = 512;

struct Look {
    uint32_t coat, trim, hair;
};

// One upright figure in a w x h frame, as seen from the front (back = false)
// or from behind; `step` moves the legs and `reach` the arm.
void DrawFigure(int w, int h, int step, int reach, bool back, const Look& look,
                const std::function<void(int, int, uint32_t)>& put) {
    const int cx = w / 2;
    const int bottom = h - 2;
    auto fill = [&](int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) put(x, y, c);
    };
    fill(cx - 10 + step, bottom - 22, cx - 3 + step, bottom, 0x3A2C22);  // legs
    fill(cx + 3 - step, bottom - 22, cx + 10 - step, bottom, 0x3A2C22);
    fill(cx - 14, bottom - 56, cx + 14, bottom - 20, look.coat);          // coat
    fill(cx - 14, bottom - 26, cx + 14, bottom - 20, look.trim);
    fill(cx + 14, bottom - 52, cx + 20 + reach, bottom - 44, look.coat);  // arm
    for (int y = 0; y < 28; ++y) {                                        // head
        for (int x = 0; x < 28; ++x) {
            const int dx = x - 14, dy = y - 14;
            if (dx * dx + dy * dy > 13 * 13) continue;
            const bool hair = back || y < 9;
            put(cx - 14 + x, bottom - 84 + y, hair ? look.hair : 0xF1C9A5);
        }
    }
}

void DrawSheet(RgbaCanvas* sheet, const Look& look) {
    for (int row = 0; row < kUnitAnimRows; ++row) {
        const UnitAnimRow& r = kUnitAnimTable[row];
        for (int f = 0; f < r.frames; ++f) {
            const int x0 = r.x + f * r.w, y0 = r.y;
            // Turned frames are stored with the figure's rows along x.
            auto put = [&](int x, int y, uint32_t c) {
                if (x < 0 || y < 0 || x >= r.w || y >= r.h) return;
                if (r.transposed) {
                    sheet->Set(x0 + y, y0 + x, c);
                } else {
                    sheet->Set(x0 + x, y0 + y, c);
                }
            };
            const int step = (row <= 3) ? (f % 2 == 0 ? 0 : (f == 1 ? 3 : -3)) : 0;
            const int reach = (row == 4 || row == 5) ? f * 6 : 0;
            DrawFigure(r.w, r.h, step, reach, row % 2 == 1, look, put);
        }
    }
    // The eyes: open, half closed, closed, as the overlay tiles (480, 192 + 32 s).
    for (int s = 0; s < 3; ++s) {
        const int top = 6 * 32 + s * 32;
        const int lid = s * 2;
        for (int eye : {-5, 4}) {
            for (int y = 3 + lid; y < 8; ++y)
                for (int x = 0; x < 3; ++x) sheet->Set(480 + 16 + eye + x, top + 8 + y, 0x1A1A2A);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sample_units OUTDIR\n");
        return 2;
    }
    // Blue and red sides; the archers (type 2) in a deeper shade with a hood of it and a pale belt.
    const Look sides[2][2] = {{{0x3C6FD1, 0xE8D27A, 0x5A3A1E}, {0x2A4C9C, 0xE6ECF2, 0x1C3372}},
                              {{0xC2413A, 0x2A2A2A, 0xD8B060}, {0x9C2A30, 0xE6ECF2, 0x6A1A1E}}};
    for (int side = 0; side < 2; ++side) {
        for (int type = 1; type <= 2; ++type) {
            RgbaCanvas sheet(kSheet, kSheet);
            DrawSheet(&sheet, sides[side][type - 1]);
            char name[64];
            UnitSpriteCache::SheetName(side, type, name, sizeof name);
            if (!sheet.Write(std::string(argv[1]) + "/" + name)) return 1;
        }
    }
    return 0;
}
