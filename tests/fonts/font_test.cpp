// Fonts, the glyph cache and text boxes (DejaVu Sans, IPA Gothic); the stress tests run under TSan too.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/task_system.h"
#include "gfx/font.h"
#include "gfx/gl_state.h"
#include "gfx/glyph_bitmap.h"
#include "gfx/glyph_cache.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "gfx/text_box.h"
#include "platform/threads.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/wait_until.h"

namespace {

constexpr const char* kLatinFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kJapaneseFontPath = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

class GlyphCacheTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(latin.empty()) << kLatinFontPath; }
    void TearDown() override { for (GlyphCache* cache : caches) DestroyGlyphCache(cache); }
    GlyphCache* Make(int cellSize, int width, int height, const std::vector<uint8_t>& font, const char* name = "a") {
        GlyphCache* cache = CreateGlyphCache(font.data(), uint32_t(font.size()), cellSize, width, height, name, nullptr);
        if (cache) caches.push_back(cache);
        return cache;
    }

    std::ifstream file{kLatinFontPath, std::ios::binary};
    std::vector<uint8_t> latin{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<GlyphCache*> caches;
};

TEST_F(GlyphCacheTest, RequestsHitTheirCellsAndAFullCacheReturnsNull) {
    GlyphCache* cache = Make(32, 512, 512, latin);
    ASSERT_NE(cache, nullptr);
    GlyphCell* plain = GetGlyph(cache, u'A', 32, 0, 0);
    GlyphCell* outlined = GetGlyph(cache, u'A', 32, 0, 2);  // an edge takes its own cell
    ASSERT_TRUE(plain && outlined && plain != outlined);
    EXPECT_TRUE(GetGlyph(cache, u'A', 32, 0, 2) == outlined && GetGlyph(cache, u'A', 32, 0, 0) == plain);
    std::vector<GlyphCell*> held;
    for (int i = 0; i < 254; ++i) {
        held.push_back(GetGlyph(cache, static_cast<uint16_t>(0x4E00 + i), 32, 0, 0));
        ASSERT_NE(held.back(), nullptr) << i;
        RetainGlyphCell(cache, held.back());
    }
    RetainGlyphCell(cache, plain);
    RetainGlyphCell(cache, outlined);
    EXPECT_TRUE(cache->freeCells.count == 0u && GetGlyph(cache, u'Z', 32, 0, 0) == nullptr);
    EXPECT_EQ(GetGlyph(cache, 0x4E05, 32, 0, 0), held[5]) << "a held glyph is still found while the cache is full";
    ASSERT_TRUE(ReleaseGlyphCell(cache, held[7]));
    EXPECT_EQ(GetGlyph(cache, u'Z', 32, 0, 0), held[7]);
}

TEST_F(GlyphCacheTest, HostileFontDataIsRefusedWithALogLine) {
    std::vector<uint8_t> noise(4096), badMagic = latin;
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
    badMagic[0] = 'X';
    for (const std::vector<uint8_t>& input : {noise, badMagic, std::vector<uint8_t>(latin.begin(), latin.begin() + 12)}) {
        LogCapture log;
        EXPECT_EQ(Make(32, 512, 512, input, "bad.ttf"), nullptr);
        EXPECT_TRUE(log.Contains("font \"bad.ttf\": FreeType cannot use its")) << input.size();
    }
    LogCapture log;
    EXPECT_EQ(CreateGlyphCache(latin.data(), 0, 32, 512, 512, "empty.ttf", nullptr), nullptr);
    for (int cell : {0, -3, 513}) EXPECT_EQ(Make(cell, 512, 512, latin), nullptr);
    EXPECT_TRUE(Make(32, 0, 512, latin) == nullptr && Make(1, 65536, 65536, latin) == nullptr);
    EXPECT_TRUE(log.Has("Error: font \"a\": an atlas of 512 x 512 has no cell of size 513"));
    EXPECT_EQ(log.Count(), 6u);
}

void FindTable(const std::vector<uint8_t>& font, const char* tag, size_t* offset, size_t* length) {
    auto u16 = [&](size_t at) { return size_t{font[at]} << 8 | font[at + 1]; };
    for (size_t entry = 12; entry < 12 + 16 * u16(4); entry += 16) {
        if (memcmp(&font[entry], tag, 4) == 0) *offset = u16(entry + 8) << 16 | u16(entry + 10);
        if (memcmp(&font[entry], tag, 4) == 0) *length = u16(entry + 12) << 16 | u16(entry + 14);
    }
}

// Damaged fonts never make the cache read outside its data; failed glyphs leave their cells free.
TEST_F(GlyphCacheTest, DamagedFontNeverReadsPastItsData) {
    size_t glyf = 0, glyfLength = 0, loca = 0, locaLength = 0;
    FindTable(latin, "glyf", &glyf, &glyfLength);
    FindTable(latin, "loca", &loca, &locaLength);
    ASSERT_TRUE(glyfLength && locaLength);
    std::vector<uint8_t> noisyOutlines = latin, wildOffsets = latin;
    for (size_t i = 0; i < glyfLength; ++i) noisyOutlines[glyf + i] = static_cast<uint8_t>(i * 167 + 13);
    for (size_t i = 0; i < locaLength; i += 4) wildOffsets[loca + i] = static_cast<uint8_t>(0x7F - i % 5);
    const std::vector<uint8_t> inputs[] = {
        noisyOutlines, wildOffsets, std::vector<uint8_t>(latin.begin(), latin.begin() + glyf + glyfLength / 2),
        std::vector<uint8_t>(latin.begin(), latin.end() - 100)};
    int opened = 0;
    for (const std::vector<uint8_t>& input : inputs) {
        LogCapture log;
        GlyphCache* cache = Make(32, 128, 128, input, "bad.ttf");
        if (!cache) continue;
        ++opened;
        for (int i = 0; i < 2 * 93; ++i) {
            const char16_t c = static_cast<char16_t>(u'!' + i / 2);
            if (GlyphCell* cell = GetGlyph(cache, c, 28, 0, i % 2 * 2)) { EXPECT_TRUE(cell->character == c && cell->width <= 32); }
        }
        EXPECT_EQ(cache->freeCells.count, 16u);
    }
    EXPECT_GE(opened, 2) << "damage inside the outlines must not stop the font from opening";
}

TEST_F(GlyphCacheTest, SizesOutsideTheCell) {
    GlyphCache* cache = Make(32, 64, 64, latin);
    ASSERT_NE(cache, nullptr);
    ASSERT_NE(GetGlyph(cache, u'A', 32, 0, 0), nullptr);
    for (int size : {-5, 0, 1, 7, 8}) EXPECT_EQ(GetGlyph(cache, u'A', size, 0, 0), nullptr) << size;
    EXPECT_EQ(GetGlyph(cache, 0, 32, 0, 0), nullptr);
    EXPECT_EQ(cache->freeCells.count, 4u) << "sizes that draw nothing take no cell";
    EXPECT_EQ(GetGlyph(cache, u'B', 9, 0, 0), &cache->cells[1]) << "one pixel high still renders";
    EXPECT_EQ(GetGlyph(cache, u'A', 32, 0, 0), &cache->cells[0]) << "the size that failed was not recorded";

    // Larger sizes render at the cell size: 'H' spans about 12 rows.
    GlyphCell* big = GetGlyph(Make(24, 96, 96, latin), u'H', 200, 0, 0);
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->size == 200 && big->width <= 24 && big->rows >= 10 && big->rows <= 14) << big->rows;

    cache = Make(30, 90, 90, latin);
    GlyphCell* huge = GetGlyph(cache, u'M', 30, 7, 15);  // 128-pixel emboldening and the widest edge
    ASSERT_NE(huge, nullptr);
    EXPECT_TRUE(huge->width == 30 && huge->rows == 30);
    const GlyphCell& next = cache->cells[(huge - cache->cells) + 1];
    EXPECT_EQ(std::vector<uint8_t>(next.pixels, next.pixels + 900), std::vector<uint8_t>(900)) << "clipped to its cell";
}

TEST(GlyphBitmapTest, CopyHandlesRowOrderClippingAndFormats) {
    uint8_t identity[kCoverageTableSize];
    for (int i = 0; i < kCoverageTableSize; ++i) identity[i] = static_cast<uint8_t>(i);
    const uint8_t top[] = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23}, bottom[] = {20, 21, 22, 23, 10, 11, 12, 13, 0, 1, 2, 3};
    const uint8_t mono[] = {0xA0, 0x00, 0x40, 0x00, 0xF0, 0x00};  // pitch 2: rows 1010, 0100, 1111
    const std::vector<uint8_t> whole = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23, 0, 0, 0, 0};
    const auto gray = GlyphBitmapFormat::kGray8;
    struct Case { const char* what; GlyphBitmapView view; int cellSize, width, rows; std::vector<uint8_t> cell; };
    const Case cases[] = {
        {"top row first", {top, 4, 3, 4, gray}, 4, 4, 3, whole},
        {"bottom row first", {bottom, 4, 3, -4, gray}, 4, 4, 3, whole},
        {"clipped right and bottom", {top, 4, 3, 4, gray}, 2, 2, 2, {0, 1, 10, 11}},
        {"clipped, bottom row first", {bottom, 4, 3, -4, gray}, 2, 2, 2, {0, 1, 10, 11}},
        {"one bit per pixel", {mono, 4, 3, 2, GlyphBitmapFormat::kMono1}, 4, 4, 3,
         {255, 0, 255, 0, 0, 255, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0}},
        {"rows shorter than the width", {top, 4, 3, 2, gray}, 4, 0, 0, std::vector<uint8_t>(16, 0)},
        {"no pixels", {nullptr, 4, 3, 4, gray}, 4, 0, 0, std::vector<uint8_t>(16, 0)},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> cell(static_cast<size_t>(c.cellSize) * c.cellSize, 0xEE);
        int width = -1, rows = -1;
        CopyGlyphBitmapIntoCell(c.view, identity, cell.data(), c.cellSize, &width, &rows);
        EXPECT_TRUE(width == c.width && rows == c.rows && cell == c.cell) << c.what;
    }
}

using Pen = std::pair<int, int>;
using Placed = std::pair<float, float>;

class TextBoxTest : public GfxTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(TaskSystem::Init(nullptr));
        GfxTest::SetUp();
        japanese = NewFontFromFile(32, kJapaneseFontPath, nullptr, 0, 0, nullptr);
        latin = NewFontFromFile(32, kLatinFontPath, nullptr, 0, 0, nullptr);
        ASSERT_TRUE(japanese && latin);
    }
    void TearDown() override {
        for (TextBox* box : boxes) TextBox::Destroy(box);
        EXPECT_EQ(japanese->refCount, 1);
        Font::Release(japanese);
        Font::Release(latin);
        EXPECT_EQ(LiveFontCount(), fontsBefore);
        TaskSystem::Shutdown();
        GfxTest::TearDown();
    }
    TextBox* Make(Font* font, int maxChars = 256) {
        TextBox* box = TextBox::Create(font, maxChars, nullptr);
        if (box) boxes.push_back(box);
        return box;
    }
    // IPA Gothic at size 28 renders a 20-pixel em: kana and kanji advance 20, Latin 10.
    TextBox* MakeJapanese(int width, int height) {
        TextBox* box = Make(japanese);
        TextBox::SetFontSize(box, 28);
        TextBox::SetPos(box, 200, 100);
        TextBox::SetSize(box, width, height);
        return box;
    }
    static void Show(TextBox* box, const char* text) { TextBox::SetTextUtf8(box, text, 0); TextBox::UpdateLayout(box); }
    // The shown glyphs' layout and their quads' pens (corner minus bearings).
    static std::vector<Placed> Layout(TextBox* box, std::vector<Pen>* pens = nullptr) {
        std::vector<Placed> out;
        std::lock_guard<std::mutex> hold(box->lock);
        const QuadVertex* quad = box->batch->vertices;
        for (int i = 0; i < box->shown; ++i) {
            const TextBoxChar& record = box->chars[i];
            if (!record.glyph) continue;
            out.push_back({record.x, record.y});
            if (record.edgeGlyph) quad += 4;
            if (pens) pens->push_back({quad[0].x - record.glyph->left, quad[0].y - record.glyph->top});
            quad += 4;
        }
        return out;
    }
    static int PreparedCount(TextBox* box) { std::lock_guard<std::mutex> hold(box->lock); return box->prepared; }

    uint32_t fontsBefore = LiveFontCount();
    Font* japanese = nullptr;
    Font* latin = nullptr;
    std::vector<TextBox*> boxes;
};

// A cell size that is not a multiple of 4 catches uploads that assume aligned rows.
TEST_F(TextBoxTest, AtlasCellOnScreenMatchesItsCpuPixels) {
    Font* font = NewFontFromFile(30, kLatinFontPath, nullptr, 0, 0, nullptr);
    ASSERT_NE(font, nullptr);
    struct Case { char16_t character; int edge; };
    for (Case c : {Case{u'A', 0}, Case{u'A', 2}, Case{u'g', 0}, Case{u'@', 1}}) {
        GlyphCell* cell = Font::AcquireGlyph(font, c.character, 32, 0, c.edge);
        ASSERT_NE(cell, nullptr);
        ClearScreen(0, 0, 0);
        GlState::SetBlendMode(kBlendAlpha);
        GlState::SetTexture(Font::GetAtlasTexture(font), GL_CLAMP_TO_EDGE, GL_NEAREST);
        DrawStd2dRectColor(17, 23, 30, 30, cell->x, cell->y, 30, 30, 0xFFFFFFFFu);
        const std::vector<uint8_t> rgba = ReadRect(17, 23, 30, 30);
        int differing = 0;
        for (size_t i = 0; i < 900; ++i) differing += rgba[i * 4] != cell->pixels[i];
        EXPECT_EQ(differing, 0) << "character " << char(c.character) << " edge " << c.edge;
        Font::ReleaseGlyph(font, cell);
    }
    Font::Release(font);
}

TEST_F(TextBoxTest, LoadingFailuresLeaveNothingBehind) {
    LogCapture log;
    EXPECT_EQ(NewFontFromFile(32, "/dev/null", nullptr, 0, 0, nullptr), nullptr);
    for (const auto& c : {std::array<int, 3>{0, 0, 0}, {32, 16, 512}, {32, -512, -512}})
        EXPECT_EQ(NewFontFromFile(c[0], kLatinFontPath, nullptr, c[1], c[2], nullptr), nullptr) << c[0] << " " << c[1];
    EXPECT_EQ(log.Count(), 4u);
}

TEST_F(TextBoxTest, RevealFollowsTheWaitTimeAndSkip) {
    struct Case { const char* text; int wait, skipAfterUpdate; std::vector<int> shownAfterUpdate; };
    const Case cases[] = {
        {"abc", 2, 0, {0, 0, 1, 1, 2, 2, 3, 3}}, {"abc", 1, 0, {0, 1, 2, 3, 3}}, {"abc", 0, 0, {3, 3}},
        {"abcdef", 2, 3, {0, 0, 1, 6, 6}},
        {"a b\nc", 1, 0, {0, 1, 2, 3, 4, 5, 5}},  // blanks take their turn too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text << " wait " << c.wait);
        TextBox* box = Make(latin);
        TextBox::SetWaitTime(box, c.wait);
        TextBox::SetTextUtf8(box, c.text, 1);
        ASSERT_TRUE(WaitUntil([&] { return PreparedCount(box) == static_cast<int>(strlen(c.text)); }));
        EXPECT_FALSE(TextBox::IsAnimDone(box));
        for (size_t update = 0; update < c.shownAfterUpdate.size(); ++update) {
            if (c.skipAfterUpdate != 0 && static_cast<int>(update) == c.skipAfterUpdate) TextBox::Skip(box);
            TaskSystem::RunMainQueue();
            EXPECT_EQ(box->shown, c.shownAfterUpdate[update]) << "update " << update + 1;
        }
        EXPECT_TRUE(TextBox::IsAnimDone(box));
        EXPECT_EQ(box->flags & kTextBoxSkip, 0u) << "skip ends once everything is shown";
    }
}

TEST_F(TextBoxTest, WrapsBeforeTheCharacterThatCrossesTheRightEdge) {
    const std::vector<Placed> five = {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}};
    auto then = [&](std::vector<Placed> more) { more.insert(more.begin(), five.begin(), five.end()); return more; };
    const std::pair<const char*, std::vector<Placed>> cases[] = {
        {"あいうえお", five},
        {"あいうえおか", then({{0, 28}})},
        {"あいうえお。", then({{0, 28}})},
        {"あいうえお」か", then({{100, 0}, {0, 28}})},
        {"あいうえお』", then({{100, 0}})},
        {"Abc\nあ", {{0, 0}, {10, 0}, {20, 0}, {0, 28}}},
        {"ああああああああああああ", then({{0, 28}, {20, 28}, {40, 28}, {60, 28}, {80, 28}, {0, 56}, {20, 56}})},
    };
    for (const auto& [text, placed] : cases) {
        SCOPED_TRACE(text);
        TextBox* box = MakeJapanese(100, 200);
        Show(box, text);
        std::vector<Pen> pens;
        EXPECT_EQ(Layout(box, &pens), placed);
        ASSERT_EQ(pens.size(), placed.size());
        for (size_t i = 0; i < pens.size(); ++i) EXPECT_EQ(pens[i], Pen(150 + placed[i].first, placed[i].second)) << i;
    }
}

TEST_F(TextBoxTest, VerticalAlignmentCountsEveryStoredLine) {
    for (auto [vertAlign, y] : {std::pair<int, float>{kTextAlignTop, 2}, {kTextAlignMiddle, 52},
                                {kTextAlignBottom, 104}, {5, 2}}) {
        TextBox* box = MakeJapanese(200, 200);
        TextBox::SetLineSpace(box, 4);
        TextBox::SetVertAlign(box, vertAlign);
        Show(box, "あい\nう\nえ");
        EXPECT_EQ(Layout(box), (std::vector<Placed>{{0, y}, {20, y}, {0, y + 32}, {0, y + 64}})) << vertAlign;
        EXPECT_EQ(TextBox::GetCursorX(box), 20);
        EXPECT_EQ(TextBox::GetCursorY(box), int(16 + y + 64)) << vertAlign;
    }
    // Lines not yet uncovered already count, so the text does not move while it appears.
    TextBox* box = MakeJapanese(200, 200);
    TextBox::SetLineSpace(box, 4);
    TextBox::SetVertAlign(box, kTextAlignMiddle);
    TextBox::SetWaitTime(box, 1);
    TextBox::SetTextUtf8(box, "あい\nう\nえ", 1);
    ASSERT_TRUE(WaitUntil([&] { return PreparedCount(box) == 6; }));
    for (int update = 0; update < 3; ++update) TaskSystem::RunMainQueue();
    TextBox::UpdateLayout(box);
    EXPECT_EQ(Layout(box), (std::vector<Placed>{{0, 52}, {20, 52}}));
}

TEST_F(TextBoxTest, AppendsStopAtTheBoxEnd) {
    const std::string twoThousand(2000, 'x');
    struct Case { int maxChars; std::vector<std::string> appends; int count; char last; };
    for (const Case& c : {Case{3000, {twoThousand, twoThousand}, 2046, 'x'}, Case{10, {"0123456789abc", "d"}, 10, '9'},
                          Case{50, {"", "\n"}, 1, '\n'}}) {  // a print of "" and its line break
        TextBox* box = Make(latin, c.maxChars);
        for (const std::string& text : c.appends) TextBox::SetTextUtf8(box, text.c_str(), 1);
        EXPECT_EQ(box->count, c.count) << c.maxChars;
        EXPECT_EQ(box->chars[c.count - 1].character, c.last) << c.maxChars;
    }
}

// Red text, black outline: red only inside the glyph quads, nothing outside the clip.
TEST_F(TextBoxTest, OutlinedRedTextOnWhite) {
    TextBox* box = Make(latin);
    TextBox::SetPos(box, 128, 128);
    TextBox::SetSize(box, 240, 60);
    TextBox::SetFontRGBA(box, 0xFF0000FFu);
    TextBox::SetEdgeSize(box, 1);
    TextBox::SetEdgeRGBA(box, 0xFF000000u);
    const int clip[4] = {20, 98, 110, 140};
    TextBox::SetClipRect(box, clip[0], clip[1], clip[2], clip[3]);
    Show(box, "Hog Well");
    ClearScreen(255, 255, 255);
    TextBox::Draw(box);
    ASSERT_TRUE(NoGlError());
    const std::vector<uint8_t> rgba = ReadRect(0, 0, kWidth, kHeight);
    auto inside = [](const int r[4], int x, int y) { return x >= r[0] && x < r[2] && y >= r[1] && y < r[3]; };
    std::vector<std::array<int, 4>> glyphs;  // the glyph quads: outline, then glyph
    for (const QuadVertex* q = box->batch->vertices; q < box->batch->vertices + box->batch->vertexCount; q += 8)
        glyphs.push_back({q[4].x, q[4].y, q[7].x, q[7].y});
    int red = 0, dark = 0, darkOutside = 0, strayOutsideClip = 0, redOutside = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int x = i % kWidth, y = i / kWidth;
        const uint8_t* p = &rgba[i * 4];
        bool inGlyph = false;
        for (const auto& r : glyphs) inGlyph = inGlyph || inside(r.data(), x, y);
        const bool isRed = p[0] > 200 && p[1] < 60 && p[2] < 60, isDark = p[0] < 60 && p[1] < 60 && p[2] < 60;
        if (!inside(clip, x, y)) strayOutsideClip += p[0] != 255 || p[1] != 255 || p[2] != 255;
        else red += isRed, redOutside += isRed && !inGlyph, dark += isDark, darkOutside += isDark && !inGlyph;
    }
    EXPECT_EQ(strayOutsideClip, 0);
    EXPECT_TRUE(red > 100 && dark > 100) << red << " " << dark;
    EXPECT_EQ(redOutside, 0);
    EXPECT_GT(darkOutside, 20) << "the outline reaches past the glyphs";

    // A box colour with alpha 0 hides the box without touching anything else.
    TextBox::SetColor(box, 0x00FFFFFFu);
    ClearScreen(255, 255, 255);
    TextBox::Draw(box);
    EXPECT_TRUE(RectIs(0, 0, kWidth, kHeight, Rgba{255, 255, 255, 255}));
}

// Pens no integer can hold stop at the range's edge instead of overflowing.
TEST_F(TextBoxTest, ScalesBeyondAnyIntegerStillLayOut) {
    for (bool fixed : {false, true}) {
        for (float scale : {std::nanf(""), 1e30f, -1e30f, INFINITY}) {
            TextBox* box = Make(latin, 16);
            TextBox::SetFixedSpace(box, fixed);
            TextBox::SetScale(box, scale);
            Show(box, "j(Aj");
            std::lock_guard<std::mutex> hold(box->lock);
            EXPECT_EQ(box->batch->vertexCount, 16u) << scale;
        }
    }
}

std::atomic<bool> g_holdWorker{false};

// Text set again every frame never blanks: cached glyphs are ready at once, even with the worker busy.
TEST_F(TextBoxTest, TextSetEveryFrameNeverBlanks) {
    TextBox* box = Make(latin, 64);
    TextBox::SetPos(box, 128, 128);
    TextBox::SetSize(box, 240, 60);
    TextBox::SetFontRGBA(box, 0xFF000000u);  // black on the white screen
    TextBox::SetTextUtf8(box, "Turn 7", 1);
    ASSERT_TRUE(WaitUntil([&] { TaskSystem::RunMainQueue(); return TextBox::IsAnimDone(box); }));
    auto darkAfterFrame = [&](const char* text) {
        TextBox::Clear(box);
        TextBox::SetTextUtf8(box, text, 1);
        TaskSystem::RunMainQueue();
        ClearScreen(255, 255, 255);
        TextBox::Draw(box);
        int dark = 0;
        for (uint8_t value : ReadRect(0, 0, kWidth, kHeight)) dark += value < 128;
        return dark;
    };
    Task hold{};
    hold.callback = [](void*) { while (g_holdWorker.load()) SleepMs(1); return 1; };
    g_holdWorker = true;
    TaskSystem::AddTask(kTaskQueueBackground, &hold);
    for (int frame = 0; frame < 5; ++frame) EXPECT_GT(darkAfterFrame("Turn 7"), 50) << "frame " << frame;
    TextBox::SetWaitTime(box, 0);
    EXPECT_EQ(darkAfterFrame("Q"), 0) << "a new character waits for the worker";
    g_holdWorker = false;
    TaskSystem::RemoveTask(kTaskQueueBackground, &hold);
}

const char* const kKanji =
    "一二三四五六七八九十百千万円年月日時分秒上下左右前後東西南北春夏秋冬朝昼夜晴雨雪風山川海空花草木森林石金銀鉄";

// Boxes destroyed while the worker prepares; a small atlas makes them evict each other's glyphs.
TEST_F(TextBoxTest, StressManyBoxesRevealWhileTheWorkerPrepares) {
    Font* font = NewFontFromFile(32, kJapaneseFontPath, nullptr, 256, 256, nullptr);
    ASSERT_NE(font, nullptr);
    std::vector<TextBox*> boxes;
    for (int i = 0; i < 8; ++i) {
        boxes.push_back(TextBox::Create(font, 300, nullptr));
        TextBox::SetSize(boxes.back(), 200, 200);
        TextBox::SetEdgeSize(boxes.back(), i % 2);
    }
    for (int frame = 0; frame < 200; ++frame) {
        TextBox* box = boxes[frame % boxes.size()];
        if (frame % 16 == 0) TextBox::Clear(box);
        TextBox::SetTextUtf8(box, kKanji + (frame % 30) * 3, 1);
        if (frame % 5 == 0) TextBox::Skip(box);
        TaskSystem::RunMainQueue();
        for (TextBox* each : boxes) TextBox::Draw(each);
        (void)TextBox::IsAnimDone(box);
    }
    for (TextBox* box : boxes) TextBox::Destroy(box);
    EXPECT_EQ(font->refCount, 1);
    Font::Release(font);
}

// Workers render into cells while the main thread acquires (uploads) and releases glyphs.
TEST_F(TextBoxTest, StressPrepareOnWorkersWhileTheMainThreadAcquires) {
    Font* font = NewFontFromFile(32, kJapaneseFontPath, nullptr, 256, 256, nullptr);
    ASSERT_NE(font, nullptr);
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int w = 0; w < 2; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; !stop.load(); ++i)
                Font::PrepareGlyph(font, static_cast<uint16_t>(0x4E00 + (i * 7 + w * 13) % 300), 20 + i % 13, 0, i % 3);
        });
    }
    std::vector<GlyphCell*> held;
    for (int i = 0; i < 3000; ++i) {
        GlyphCell* cell = Font::AcquireGlyph(font, static_cast<uint16_t>(0x4E00 + (i * 11) % 300), 24 + i % 9, 0, i % 2);
        if (cell) held.push_back(cell);
        if (held.size() > 40 || (cell == nullptr && !held.empty())) {
            for (GlyphCell* each : held) Font::ReleaseGlyph(font, each);
            held.clear();
        }
    }
    stop = true;
    for (std::thread& worker : workers) worker.join();
    for (GlyphCell* each : held) Font::ReleaseGlyph(font, each);
    EXPECT_EQ(font->cache->freeCells.count, font->cache->cellCount);
    Font::Release(font);
}

}  // namespace
