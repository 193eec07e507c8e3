// Fonts and the glyph cache with real fonts: hits, a full cache, hostile and
// damaged font data, copies into the atlas, an atlas cell drawn on Mesa, and
// loading failures.
#include <gtest/gtest.h>
#include <cstring>
#include <set>
#include <vector>

#include "core/list.h"
#include "gfx/font.h"
#include "gfx/font_data.h"
#include "gfx/gl_state.h"
#include "gfx/glyph_bitmap.h"
#include "gfx/glyph_cache.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"
#include "tests/fonts/font_files.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

class GlyphCacheTest : public testing::Test {
protected:
    void SetUp() override {
        latin = ReadFontFile(kLatinFontPath);
        ASSERT_FALSE(latin.empty()) << kLatinFontPath;
    }
    void TearDown() override {
        for (GlyphCache* cache : caches) DestroyGlyphCache(cache);
    }
    GlyphCache* Make(int cellSize, int width, int height, const std::vector<uint8_t>& font) {
        GlyphCache* cache = CreateGlyphCache(font.data(), static_cast<uint32_t>(font.size()), cellSize, width,
                                             height, "test font", nullptr);
        if (cache) caches.push_back(cache);
        return cache;
    }
    static int CellIndex(const GlyphCache* cache, const GlyphCell* cell) {
        return cell ? static_cast<int>(cell - cache->cells) : -1;
    }
    static int CountInk(const GlyphCell* cell, int cellSize) {
        int ink = 0;
        for (int i = 0; i < cellSize * cellSize; ++i) ink += cell->pixels[i] != 0;
        return ink;
    }

    std::vector<uint8_t> latin;
    std::vector<GlyphCache*> caches;
};

TEST_F(GlyphCacheTest, SameRequestHitsAndEdgesTakeTheirOwnCells) {
    GlyphCache* cache = Make(32, 512, 512, latin);
    ASSERT_NE(cache, nullptr);
    GlyphCell* plain = GetGlyph(cache, u'A', 32, 0, 0);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(GetGlyph(cache, u'A', 32, 0, 0), plain);
    GlyphCell* outlined = GetGlyph(cache, u'A', 32, 0, 2);
    ASSERT_NE(outlined, nullptr);
    EXPECT_NE(outlined, plain);
    EXPECT_EQ(GetGlyph(cache, u'A', 32, 0, 2), outlined);
    EXPECT_EQ(GetGlyph(cache, u'A', 32, 0, 0), plain);
    EXPECT_EQ(plain->character, u'A');
    EXPECT_EQ(outlined->edge, 2);
}

TEST_F(GlyphCacheTest, FullCacheReturnsNullUntilACellIsReleased) {
    GlyphCache* cache = Make(32, 512, 512, latin);
    ASSERT_NE(cache, nullptr);
    std::vector<GlyphCell*> held;
    for (int i = 0; i < 256; ++i) {
        GlyphCell* cell = GetGlyph(cache, static_cast<uint16_t>(0x4E00 + i), 32, 0, 0);
        ASSERT_NE(cell, nullptr) << i;
        RetainGlyphCell(cache, cell);
        held.push_back(cell);
    }
    EXPECT_EQ(cache->freeCells.count, 0u);
    EXPECT_EQ(GetGlyph(cache, u'Z', 32, 0, 0), nullptr);
    // A held glyph is still found while the cache is full.
    EXPECT_EQ(GetGlyph(cache, 0x4E05, 32, 0, 0), held[5]);
    ASSERT_TRUE(ReleaseGlyphCell(cache, held[7]));
    GlyphCell* reused = GetGlyph(cache, u'Z', 32, 0, 0);
    EXPECT_EQ(reused, held[7]);
    EXPECT_EQ(reused->character, u'Z');
}

TEST_F(GlyphCacheTest, HostileFontDataIsRefusedWithALogLine) {
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
    std::vector<uint8_t> badMagic = latin;
    badMagic[0] = 'X';
    badMagic[1] = 'Y';
    const std::vector<uint8_t> inputs[] = {noise, badMagic, std::vector<uint8_t>(latin.begin(), latin.begin() + 12)};
    for (const std::vector<uint8_t>& input : inputs) {
        LogCapture log;
        EXPECT_EQ(CreateGlyphCache(input.data(), static_cast<uint32_t>(input.size()), 32, 512, 512, "bad.ttf", nullptr),
                  nullptr);
        EXPECT_TRUE(log.Contains("font \"bad.ttf\": FreeType cannot use its")) << input.size();
    }
    LogCapture log;
    EXPECT_EQ(CreateGlyphCache(latin.data(), 0, 32, 512, 512, "empty.ttf", nullptr), nullptr);
    const uint32_t size = static_cast<uint32_t>(latin.size());
    for (int cell : {0, -3, 513}) EXPECT_EQ(CreateGlyphCache(latin.data(), size, cell, 512, 512, "a", nullptr), nullptr);
    EXPECT_EQ(CreateGlyphCache(latin.data(), size, 32, 0, 512, "a", nullptr), nullptr);
    EXPECT_EQ(CreateGlyphCache(latin.data(), size, 1, 65536, 65536, "a", nullptr), nullptr);
    EXPECT_TRUE(log.Has("Error: font \"a\": an atlas of 512 x 512 has no cell of size 513"));
    EXPECT_EQ(log.Count(), 6u);
}

// Where a table of a TrueType file lies; false when the directory does not list it.
bool FindTable(const std::vector<uint8_t>& font, const char* tag, size_t* offset, size_t* length) {
    auto u16 = [&](size_t at) { return size_t{font[at]} << 8 | font[at + 1]; };
    auto u32 = [&](size_t at) { return u16(at) << 16 | u16(at + 2); };
    for (size_t i = 0, count = u16(4); i < count; ++i) {
        size_t entry = 12 + 16 * i;
        if (memcmp(&font[entry], tag, 4) == 0) {
            *offset = u32(entry + 8);
            *length = u32(entry + 12);
            return true;
        }
    }
    return false;
}

// Damaged fonts open or not, but never make the cache read outside its data:
// glyphs that cannot be loaded come back null and leave their cells free.
TEST_F(GlyphCacheTest, DamagedFontNeverReadsPastItsData) {
    size_t glyfOffset = 0, glyfLength = 0, locaOffset = 0, locaLength = 0;
    ASSERT_TRUE(FindTable(latin, "glyf", &glyfOffset, &glyfLength));
    ASSERT_TRUE(FindTable(latin, "loca", &locaOffset, &locaLength));
    std::vector<uint8_t> noisyOutlines = latin;
    for (size_t i = 0; i < glyfLength; ++i) noisyOutlines[glyfOffset + i] = static_cast<uint8_t>(i * 167 + 13);
    std::vector<uint8_t> wildOffsets = latin;
    for (size_t i = 0; i < locaLength; i += 4) wildOffsets[locaOffset + i] = static_cast<uint8_t>(0x7F - i % 5);
    const std::vector<uint8_t> inputs[] = {
        noisyOutlines,
        wildOffsets,
        std::vector<uint8_t>(latin.begin(), latin.begin() + static_cast<long>(glyfOffset + glyfLength / 2)),
        std::vector<uint8_t>(latin.begin(), latin.end() - 100),
    };
    int opened = 0;
    for (const std::vector<uint8_t>& input : inputs) {
        LogCapture log;
        GlyphCache* cache =
            CreateGlyphCache(input.data(), static_cast<uint32_t>(input.size()), 32, 128, 128, "bad.ttf", nullptr);
        if (!cache) continue;
        ++opened;
        for (char16_t c = u'!'; c < u'~'; ++c) {
            for (int edge : {0, 2}) {
                GlyphCell* cell = GetGlyph(cache, c, 28, 0, edge);
                if (cell) {
                    EXPECT_EQ(cell->character, c);
                    EXPECT_LE(cell->width, 32);
                }
            }
        }
        EXPECT_EQ(cache->freeCells.count, 16u);
        DestroyGlyphCache(cache);
    }
    EXPECT_GE(opened, 2) << "damage inside the outlines must not stop the font from opening";
}

TEST(GlyphBitmapTest, CopyHandlesRowOrderClippingAndFormats) {
    uint8_t identity[kCoverageTableSize];
    for (int i = 0; i < kCoverageTableSize; ++i) identity[i] = static_cast<uint8_t>(i);
    // Three rows of four pixels; row r holds 10 * r + column, top row first.
    const uint8_t topFirst[] = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23};
    const uint8_t bottomFirst[] = {20, 21, 22, 23, 10, 11, 12, 13, 0, 1, 2, 3};
    const uint8_t mono[] = {0xA0, 0x00, 0x40, 0x00, 0xF0, 0x00};  // pitch 2: rows 1010, 0100, 1111
    struct Case { const char* what; GlyphBitmapView view; int cellSize; int width, rows; std::vector<uint8_t> cell; };
    const Case cases[] = {
        {"top row first", {topFirst, 4, 3, 4, GlyphBitmapFormat::kGray8}, 4, 4, 3,
         {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 0, 0, 0, 0}},
        {"bottom row first", {bottomFirst, 4, 3, -4, GlyphBitmapFormat::kGray8}, 4, 4, 3,
         {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 0, 0, 0, 0}},
        {"clipped right and bottom", {topFirst, 4, 3, 4, GlyphBitmapFormat::kGray8}, 2, 2, 2, {0, 1, 10, 11}},
        {"clipped, bottom row first", {bottomFirst, 4, 3, -4, GlyphBitmapFormat::kGray8}, 2, 2, 2, {0, 1, 10, 11}},
        {"one bit per pixel", {mono, 4, 3, 2, GlyphBitmapFormat::kMono1}, 4, 4, 3,
         {255, 0, 255, 0, 0, 255, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0}},
        {"rows shorter than the width", {topFirst, 4, 3, 2, GlyphBitmapFormat::kGray8}, 4, 0, 0,
         std::vector<uint8_t>(16, 0)},
        {"no pixels", {nullptr, 4, 3, 4, GlyphBitmapFormat::kGray8}, 4, 0, 0, std::vector<uint8_t>(16, 0)},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> cell(static_cast<size_t>(c.cellSize) * c.cellSize, 0xEE);
        int width = -1;
        int rows = -1;
        CopyGlyphBitmapIntoCell(c.view, identity, cell.data(), c.cellSize, &width, &rows);
        EXPECT_EQ(width, c.width) << c.what;
        EXPECT_EQ(rows, c.rows) << c.what;
        EXPECT_EQ(cell, c.cell) << c.what;
    }
}

class FontTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        fontsBefore = LiveFontCount();
    }
    void TearDown() override {
        EXPECT_EQ(LiveFontCount(), fontsBefore);
        GfxTest::TearDown();
    }
    static Font* LoadLatin(int cellSize, int atlasWidth = 0, int atlasHeight = 0) {
        return NewFontFromFile(cellSize, kLatinFontPath, nullptr, atlasWidth, atlasHeight, nullptr);
    }
    // Draws the cell 1:1 in white over black at (x, y) and reads it back as grey levels.
    static std::vector<uint8_t> DrawCell(Font* font, const GlyphCell* cell, int x, int y) {
        int size = Font::GetCellSize(font);
        ClearScreen(0, 0, 0);
        RebindStd2dProgram();
        GlState::SetBlendMode(kBlendAlpha);
        GlState::SetTexture(Font::GetAtlasTexture(font), GL_CLAMP_TO_EDGE, GL_NEAREST);
        DrawStd2dRectColor(x, y, size, size, cell->x, cell->y, size, size, 0xFFFFFFFFu);
        std::vector<uint8_t> rgba = ReadRect(x, y, size, size);
        std::vector<uint8_t> grey(static_cast<size_t>(size) * size);
        for (size_t i = 0; i < grey.size(); ++i) grey[i] = rgba[i * 4];
        return grey;
    }

    uint32_t fontsBefore = 0;
};

// A cell size that is not a multiple of 4 catches uploads that assume aligned rows.
TEST_F(FontTest, AtlasCellOnScreenMatchesItsCpuPixels) {
    Font* font = LoadLatin(30);
    ASSERT_NE(font, nullptr);
    struct Case { char16_t character; int edge; };
    for (Case c : {Case{u'A', 0}, Case{u'A', 2}, Case{u'g', 0}, Case{u'@', 1}}) {
        GlyphCell* cell = Font::AcquireGlyph(font, c.character, 32, 0, c.edge);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->uploaded, 1);
        std::vector<uint8_t> expected(cell->pixels, cell->pixels + 30 * 30);
        std::vector<uint8_t> screen = DrawCell(font, cell, 17, 23);
        ASSERT_TRUE(NoGlError());
        int differing = 0;
        for (size_t i = 0; i < expected.size(); ++i) differing += screen[i] != expected[i];
        EXPECT_EQ(differing, 0) << "character " << char(c.character) << " edge " << c.edge;
        Font::ReleaseGlyph(font, cell);
    }
    Font::Release(font);
}

TEST_F(FontTest, LoadingFailuresNameTheFileAndLeaveNothingBehind) {
    TempDir dir;
    ASSERT_TRUE(dir.Write("garbage.ttf", std::string(3000, 'x')));
    ASSERT_TRUE(dir.Write("empty.ttf", ""));
    {
        LogCapture log;
        std::string missing = dir.File("missing.ttf");
        EXPECT_EQ(NewFontFromFile(32, missing.c_str(), nullptr, 0, 0, nullptr), nullptr);
        EXPECT_TRUE(log.Has("Error: Failed to open \"" + missing + "\".")) << log.Lines().size();
    }
    for (const char* name : {"garbage.ttf", "empty.ttf"}) {
        LogCapture log;
        EXPECT_EQ(NewFontFromFile(32, dir.File(name).c_str(), nullptr, 0, 0, nullptr), nullptr) << name;
        EXPECT_EQ(log.Count(), 1u) << name;
    }
    LogCapture log;
    EXPECT_EQ(LoadLatin(0), nullptr);
    EXPECT_EQ(LoadLatin(32, 16, 512), nullptr);
    EXPECT_EQ(LoadLatin(32, -512, -512), nullptr);
    EXPECT_EQ(log.Count(), 3u);
}

TEST_F(GlyphCacheTest, SizesThatDrawNothingTakeNoCell) {
    GlyphCache* cache = Make(32, 64, 64, latin);
    ASSERT_NE(cache, nullptr);
    ASSERT_NE(GetGlyph(cache, u'A', 32, 0, 0), nullptr);
    for (int size : {-5, 0, 1, 7, 8}) EXPECT_EQ(GetGlyph(cache, u'A', size, 0, 0), nullptr) << size;
    EXPECT_EQ(GetGlyph(cache, 0, 32, 0, 0), nullptr);
    EXPECT_EQ(cache->freeCells.count, 4u);
    EXPECT_EQ(CellIndex(cache, GetGlyph(cache, u'B', 9, 0, 0)), 1);  // one pixel high still renders
    // The size that failed was not recorded: the next request of a good size works.
    EXPECT_EQ(GetGlyph(cache, u'A', 32, 0, 0), &cache->cells[0]);
}

TEST_F(GlyphCacheTest, SizesAboveTheCellRenderAtTheCellSize) {
    GlyphCache* cache = Make(24, 96, 96, latin);
    ASSERT_NE(cache, nullptr);
    GlyphCell* big = GetGlyph(cache, u'H', 200, 0, 0);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->size, 200);
    EXPECT_LE(big->width, 24);
    EXPECT_LE(big->rows, 24);
    // 'H' spans the cap height: at a 16-pixel em it is about 12 rows high.
    EXPECT_GE(big->rows, 10);
    EXPECT_LE(big->rows, 14);
}

TEST_F(GlyphCacheTest, OversizedGlyphIsClippedToItsCell) {
    GlyphCache* cache = Make(30, 90, 90, latin);
    ASSERT_NE(cache, nullptr);
    GlyphCell* huge = GetGlyph(cache, u'M', 30, 7, 15);  // 128-pixel emboldening and the widest edge
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->width, 30);
    EXPECT_EQ(huge->rows, 30);
    // The neighbouring cell's pixels were not touched.
    const GlyphCell& next = cache->cells[(huge - cache->cells) + 1];
    for (int i = 0; i < 30 * 30; ++i) ASSERT_EQ(next.pixels[i], 0) << i;
}

}  // namespace
