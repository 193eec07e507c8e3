// Draws the sample game's pictures at build time and writes them as PNG
// files: the valley emblem, the puppet's sheet of four facings, the
// pointer's sheet of two shapes, the panel frame that tiles stretch into a
// box and the digit sheet of the text-sprite counters. Everything is plain geometry, filled with
// 4 x 4 supersampling and composited "over", so the output is the same on
// every machine. Colours inside a shape are exact; tests rely on that.
//
//   sample_art OUTDIR [BANNER]   writes OUTDIR/emblem.png, puppet.png, cursor.png,
//                                panel.png and digits.png, and the launcher's banner to BANNER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sample_image.h"

namespace {

constexpr int kSubsamples = 4;

struct Colour {
    float r, g, b, a;
};

Colour Rgb(uint32_t rgb, float alpha = 1.0f) {
    return {static_cast<float>(rgb >> 16 & 0xFF) / 255.0f, static_cast<float>(rgb >> 8 & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f, alpha};
}

// Whether a point (in pixels, y down) lies inside a shape.
using Shape = std::function<bool(float x, float y)>;

Shape Disc(float cx, float cy, float radius) {
    return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius; };
}

Shape Ellipse(float cx, float cy, float rx, float ry) {
    return [=](float x, float y) { return (x - cx) * (x - cx) / (rx * rx) + (y - cy) * (y - cy) / (ry * ry) <= 1.0f; };
}

Shape Ring(float cx, float cy, float inner, float outer) {
    Shape in = Disc(cx, cy, inner), out = Disc(cx, cy, outer);
    return [=](float x, float y) { return out(x, y) && !in(x, y); };
}

Shape Box(float left, float top, float right, float bottom) {
    return [=](float x, float y) { return x >= left && x < right && y >= top && y < bottom; };
}

// A simple polygon by the even-odd rule.
Shape Polygon(std::vector<std::pair<float, float>> points) {
    return [points](float x, float y) {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const auto [xi, yi] = points[i];
            const auto [xj, yj] = points[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside;
    };
}

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

    // Paints `colour` over the part of the canvas the shape covers.
    void Fill(const Shape& shape, Colour colour) {
        ForEachCoverage(shape, [&](Colour& dst, float coverage) {
            const float a = colour.a * coverage;
            const float out = a + dst.a * (1.0f - a);
            if (out <= 0.0f) return;
            dst.r = (colour.r * a + dst.r * dst.a * (1.0f - a)) / out;
            dst.g = (colour.g * a + dst.g * dst.a * (1.0f - a)) / out;
            dst.b = (colour.b * a + dst.b * dst.a * (1.0f - a)) / out;
            dst.a = out;
        });
    }

    // Keeps only what the shape covers (soft at its edge).
    void Mask(const Shape& shape) {
        ForEachCoverage(
            shape, [](Colour& dst, float coverage) { dst.a *= coverage; }, true);
    }

    // Copies another canvas with its top-left corner at (x, y).
    void Paste(const Canvas& other, int x, int y) {
        for (int row = 0; row < other.height_; ++row) {
            for (int column = 0; column < other.width_; ++column) {
                pixels_[static_cast<size_t>(y + row) * width_ + x + column] =
                    other.pixels_[static_cast<size_t>(row) * other.width_ + column];
            }
        }
    }

    bool WritePng(const std::string& path) const {
        std::vector<uint8_t> rgba(pixels_.size() * 4);
        for (size_t i = 0; i < pixels_.size(); ++i) {
            const Colour& c = pixels_[i];
            const float channels[4] = {c.r, c.g, c.b, c.a};
            for (int k = 0; k < 4; ++k) {
                const float v = std::round(std::fmin(std::fmax(channels[k], 0.0f), 1.0f) * 255.0f);
                rgba[i * 4 + k] = static_cast<uint8_t>(v);
            }
            if (rgba[i * 4 + 3] == 0) rgba[i * 4] = rgba[i * 4 + 1] = rgba[i * 4 + 2] = 0;
        }
        return WriteRgbaPng(path, width_, height_, rgba);
    }

private:
    // Calls `apply` for every pixel the shape touches (every pixel when
    // `everywhere`) with the share of its subsamples inside.
    template <typename Apply>
    void ForEachCoverage(const Shape& shape, Apply apply, bool everywhere = false) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                int inside = 0;
                for (int sy = 0; sy < kSubsamples; ++sy) {
                    for (int sx = 0; sx < kSubsamples; ++sx) {
                        inside += shape(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / kSubsamples,
                                        static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / kSubsamples);
                    }
                }
                if (inside == 0 && !everywhere) continue;
                apply(pixels_[static_cast<size_t>(y) * width_ + x],
                      static_cast<float>(inside) / (kSubsamples * kSubsamples));
            }
        }
    }

    int width_, height_;
    std::vector<Colour> pixels_;  // straight alpha, starts transparent
};

// The emblem of the misty vale, 128 x 128: mountains and a band of mist on a
// deep blue disc, a pale gold star at the centre, a gold ring around it.
Canvas DrawEmblem() {
    constexpr float kCentre = 64.0f;
    Canvas canvas(128, 128);
    canvas.Fill(Disc(kCentre, kCentre, 62.0f), Rgb(0x24456E));
    canvas.Fill(Polygon({{6, 100}, {40, 48}, {58, 72}, {84, 38}, {122, 100}}), Rgb(0x8FA7C4));
    canvas.Fill(Polygon({{30, 62}, {40, 48}, {50, 62}}), Rgb(0xE8EEF5));
    canvas.Fill(Polygon({{74, 52}, {84, 38}, {94, 52}}), Rgb(0xE8EEF5));
    canvas.Fill(Box(0, 84, 128, 94), Rgb(0xC9D6E3, 0.7f));
    canvas.Fill(Box(0, 100, 128, 128), Rgb(0x3E6B4F));
    canvas.Fill(Polygon({{kCentre, 48}, {78, 62}, {kCentre, 76}, {50, 62}}), Rgb(0xF2D16B));
    canvas.Fill(Ring(kCentre, kCentre, 54.0f, 62.0f), Rgb(0xE3B450));
    canvas.Mask(Disc(kCentre, kCentre, 62.0f));
    return canvas;
}

// One 96 x 96 frame of the puppet looking along (dx, dy): a white body (so
// the game's tint shows as it is) with a brown outline, ears, feet, cheeks
// and eyes turned that way. The centre stays white in every frame.
Canvas DrawPuppetFrame(float dx, float dy) {
    constexpr uint32_t kOutline = 0x8C5A3C;
    Canvas frame(96, 96);
    frame.Fill(Polygon({{14, 30}, {22, 4}, {40, 16}}), Rgb(kOutline));
    frame.Fill(Polygon({{82, 30}, {74, 4}, {56, 16}}), Rgb(kOutline));
    frame.Fill(Ellipse(32, 90, 11, 5), Rgb(kOutline));
    frame.Fill(Ellipse(64, 90, 11, 5), Rgb(kOutline));
    frame.Fill(Disc(48, 50, 44), Rgb(kOutline));
    frame.Fill(Disc(48, 50, 40), Rgb(0xFFFFFF));
    frame.Fill(Ellipse(30 + dx * 6, 60, 6, 3), Rgb(0xF4A6B8));
    frame.Fill(Ellipse(66 + dx * 6, 60, 6, 3), Rgb(0xF4A6B8));
    frame.Fill(Ellipse(37 + dx * 9, 38 + dy * 8, 4, 6), Rgb(0x1A1420));
    frame.Fill(Ellipse(59 + dx * 9, 38 + dy * 8, 4, 6), Rgb(0x1A1420));
    return frame;
}

// Left, right, up, down, side by side: 384 x 96.
Canvas DrawPuppetSheet() {
    const float facings[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    Canvas sheet(384, 96);
    for (int i = 0; i < 4; ++i) sheet.Paste(DrawPuppetFrame(facings[i][0], facings[i][1]), i * 96, 0);
    return sheet;
}

// Two 16 x 16 pointer shapes side by side: an arrow with its tip at the
// top-left corner, and an open hand (a ring) for things that can be dragged.
Canvas DrawCursorSheet() {
    Canvas sheet(32, 16);
    const std::vector<std::pair<float, float>> arrow = {{0, 0},     {0, 14},      {4, 10.5f}, {7, 16},
                                                        {9.5f, 15}, {6.5f, 9.5f}, {11, 9.5f}};
    sheet.Fill(Polygon(arrow), Rgb(0x101010));
    std::vector<std::pair<float, float>> inner;
    for (const auto& [x, y] : arrow) inner.push_back({x * 0.72f + 1.0f, y * 0.72f + 2.2f});
    sheet.Fill(Polygon(inner), Rgb(0xFFFFFF));
    sheet.Fill(Disc(24, 8, 7.5f), Rgb(0x101010));
    sheet.Fill(Disc(24, 8, 5.5f), Rgb(0xFFFFFF));
    sheet.Fill(Disc(24, 8, 2.5f), Rgb(0x101010));
    return sheet;
}

// A 32 x 32 frame for nine-part tiles: its 8-pixel corners stay as drawn, its
// edges and middle are stretched. A dark rim, a light inner line and a
// translucent slate middle.
Canvas DrawPanelFrame() {
    Canvas frame(32, 32);
    frame.Fill(Box(0, 0, 32, 32), Rgb(0x0C1018));
    frame.Fill(Box(2, 2, 30, 30), Rgb(0xC8B27A));
    frame.Fill(Box(3, 3, 29, 29), Rgb(0x24304A, 0.92f));
    return frame;
}

// Seven-segment digits "0" to "9" in cells of 12 x 18, sixteen cells to a
// row as text sprites read them (the sheet starts at '0'), then ':'.
Canvas DrawDigitSheet() {
    constexpr int kCellWidth = 12, kCellHeight = 18;
    // Segments a (top) to g (middle), clockwise from the top.
    const Shape segments[7] = {Box(3, 1, 9, 3),  Box(9, 3, 11, 9),  Box(9, 9, 11, 15), Box(3, 15, 9, 17),
                               Box(1, 9, 3, 15), Box(1, 3, 3, 9),   Box(3, 8, 9, 10)};
    const uint8_t lit[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    Canvas sheet(16 * kCellWidth, kCellHeight);
    for (int digit = 0; digit < 10; ++digit) {
        Canvas cell(kCellWidth, kCellHeight);
        for (int s = 0; s < 7; ++s) {
            if (lit[digit] >> s & 1) cell.Fill(segments[s], Rgb(0xFFFFFF));
        }
        sheet.Paste(cell, digit * kCellWidth, 0);
    }
    Canvas colon(kCellWidth, kCellHeight);
    colon.Fill(Box(5, 4, 7, 6), Rgb(0xFFFFFF));
    colon.Fill(Box(5, 12, 7, 14), Rgb(0xFFFFFF));
    sheet.Paste(colon, 10 * kCellWidth, 0);
    return sheet;
}

// The launcher's banner, 96 x 360 and opaque: a night sky over the vale, the
// moon, snowy peaks, a band of mist and the silver key standing in the grass.
Canvas DrawBanner() {
    Canvas banner(96, 360);
    banner.Fill(Box(0, 0, 96, 360), Rgb(0x1B2A4A));
    banner.Fill(Box(0, 120, 96, 240), Rgb(0x24456E));
    banner.Fill(Disc(66, 44, 14), Rgb(0xF2E6B8));
    banner.Fill(Disc(72, 40, 12), Rgb(0x1B2A4A));
    banner.Fill(Polygon({{-10, 250}, {30, 150}, {52, 190}, {76, 130}, {110, 250}}), Rgb(0x8FA7C4));
    banner.Fill(Polygon({{21, 172}, {30, 150}, {39, 172}}), Rgb(0xE8EEF5));
    banner.Fill(Polygon({{68, 150}, {76, 130}, {84, 150}}), Rgb(0xE8EEF5));
    banner.Fill(Box(0, 228, 96, 246), Rgb(0xC9D6E3, 0.7f));
    banner.Fill(Box(0, 250, 96, 360), Rgb(0x3E6B4F));
    banner.Fill(Ring(48, 282, 7, 13), Rgb(0xD8DEE8));
    banner.Fill(Box(45, 294, 51, 340), Rgb(0xD8DEE8));
    banner.Fill(Box(51, 318, 60, 324), Rgb(0xD8DEE8));
    banner.Fill(Box(51, 330, 57, 336), Rgb(0xD8DEE8));
    return banner;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: sample_art OUTDIR [BANNER]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool written = DrawEmblem().WritePng(folder + "/emblem.png") &&
                         DrawPuppetSheet().WritePng(folder + "/puppet.png") &&
                         DrawCursorSheet().WritePng(folder + "/cursor.png") &&
                         DrawPanelFrame().WritePng(folder + "/panel.png") &&
                         DrawDigitSheet().WritePng(folder + "/digits.png") &&
                         (argc < 3 || DrawBanner().WritePng(argv[2]));
    return written ? 0 : 1;
}
