// Draws the battle markers' pictures at build time: the 512 x 256 atlas of
// range panels, route pieces, cursor and direction arrow, and the 64 x 64
// blob laid under units. Plain computed shapes, the same on every machine.
//
//   sample_markers OUTDIR   writes OUTDIR/panel.png and OUTDIR/shadow.png
//
// Atlas layout (texels): range panels of colours 0..2 in columns of 64 at
// x = c * 80 + 8, rows 8..136, repeating every 64 texels down (they scroll)
// and across (neighbouring cells show neighbouring halves); the cell frame
// of colour 3 at (264, 8); route end (344, 8), start (424, 8), straight
// (344, 88), turns (264, 88) and (424, 88), each 64 square and pointing up;
// cursor (0, 152) and arrow (96, 152), each 96 square.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sample_image.h"

namespace {

// Diagonal stripes of a panel colour; period 32 so 64-texel windows tile.
void DrawPanelColumn(RgbaCanvas* atlas, int colour) {
    const uint32_t base[3] = {0x3070E0, 0xE04040, 0x40C060};
    const uint32_t light[3] = {0x70A8FF, 0xFF8080, 0x90F0A0};
    const int left = colour * 80 + 8;
    for (int y = 8; y < 8 + 128; ++y) {
        for (int x = 0; x < 64; ++x) atlas->Set(left + x, y, (x + y - 8) % 32 < 10 ? light[colour] : base[colour], 255);
    }
}

// A white frame just inside the cell's edge, clear inside.
void DrawCellFrame(RgbaCanvas* atlas, int left, int top) {
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int edge = std::min(std::min(x, 63 - x), std::min(y, 63 - y));
            if (edge < 4) atlas->Set(left + x, top + y, edge < 1 ? 0x202020 : 0xFFFFFF, 255);
        }
    }
}

// Route pieces: a band from the bottom edge to the centre, then on towards
// `exit` (0 up, -1 left, +1 right); `head` ends it in an arrowhead, `dot` in a disc.
void DrawRoutePiece(RgbaCanvas* atlas, int left, int top, int exit, bool head, bool dot) {
    const uint32_t fill = 0xFFD850;
    auto inBand = [&](int x, int y) {
        const bool stem = std::abs(x - 32) <= 7 && y >= 32;
        bool onward = false;
        if (exit == 0 && !head && !dot) onward = std::abs(x - 32) <= 7 && y <= 32;
        if (exit == 0 && head) onward = std::abs(x - 32) <= 7 && y >= 30;
        if (exit == -1) onward = std::abs(y - 32) <= 7 && x <= 32;
        if (exit == 1) onward = std::abs(y - 32) <= 7 && x >= 32;
        const bool centre = std::abs(x - 32) <= 7 && std::abs(y - 32) <= 7;
        const bool arrow = head && y >= 6 && y <= 32 && std::abs(x - 32) <= (y - 6) * 0.9;
        const bool disc = dot && (x - 32) * (x - 32) + (y - 32) * (y - 32) <= 14 * 14;
        return stem || onward || centre || arrow || disc;
    };
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            if (inBand(x, y)) {
                const bool rim = !inBand(x - 2, y) || !inBand(x + 2, y) || !inBand(x, y - 2) || !inBand(x, y + 2);
                atlas->Set(left + x, top + y, rim && y > 1 && y < 62 && x > 1 && x < 62 ? 0x604010 : fill, 255);
            }
        }
    }
}

// Four corner brackets.
void DrawCursor(RgbaCanvas* atlas, int left, int top) {
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) {
            const int dx = std::min(x, 95 - x), dy = std::min(y, 95 - y);
            if ((dx < 8 && dy < 30) || (dy < 8 && dx < 30)) atlas->Set(left + x, top + y, 0xFFFFFF, 255);
        }
    }
}

// An arrow pointing up.
void DrawArrow(RgbaCanvas* atlas, int left, int top) {
    for (int y = 0; y < 96; ++y) {
        for (int x = 0; x < 96; ++x) {
            const bool head = y >= 8 && y < 52 && std::abs(x - 48) <= (y - 8) * 0.8;
            const bool shaft = y >= 52 && y < 88 && std::abs(x - 48) <= 12;
            if (head || shaft) atlas->Set(left + x, top + y, 0xFFA030, 255);
        }
    }
}

RgbaCanvas DrawAtlas() {
    RgbaCanvas atlas(512, 256);
    for (int colour = 0; colour < 3; ++colour) DrawPanelColumn(&atlas, colour);
    DrawCellFrame(&atlas, 264, 8);
    DrawRoutePiece(&atlas, 344, 8, 0, true, false);    // end: arrives from below, arrowhead
    DrawRoutePiece(&atlas, 424, 8, 0, false, true);    // start: leaves downwards from a disc
    DrawRoutePiece(&atlas, 344, 88, 0, false, false);  // straight
    DrawRoutePiece(&atlas, 264, 88, -1, false, false);  // turn towards the next direction code
    DrawRoutePiece(&atlas, 424, 88, 1, false, false);   // turn the other way
    DrawCursor(&atlas, 0, 152);
    DrawArrow(&atlas, 96, 152);
    return atlas;
}

// A soft dark disc, clear well inside the edges (the texture is clamped).
RgbaCanvas DrawShadow() {
    RgbaCanvas blob(64, 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float r = std::hypot(x + 0.5f - 32.0f, y + 0.5f - 32.0f) / 26.0f;
            const float a = r >= 1.0f ? 0.0f : 1.0f - r * r;
            blob.Set(x, y, 0x000000, static_cast<uint8_t>(std::lround(a * 200.0f)));
        }
    }
    return blob;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: sample_markers OUTDIR\n");
        return 2;
    }
    const std::string out = argv[1];
    return DrawAtlas().Write(out + "/panel.png") && DrawShadow().Write(out + "/shadow.png") ? 0 : 1;
}
