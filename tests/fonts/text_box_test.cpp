// Text boxes: reveal timing by updates, layout tables read back from the quad
// batch (wrapping, alignment, fit to width, fixed spacing, spaces, vertical
// alignment, outlines and colours), limits, and one picture drawn on Mesa.
#include "gfx/text_box.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/color_util.h"
#include "core/task_system.h"
#include "gfx/font.h"
#include "gfx/gl_state.h"
#include "gfx/glyph_cache.h"
#include "gfx/quad.h"
#include "gfx/std2d.h"
#include "platform/threads.h"
#include "tests/fonts/font_files.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/wait_until.h"

namespace {

constexpr uint32_t kRed = 0xFF0000FFu;    // RGBA8 with red in the lowest byte
constexpr uint32_t kBlack = 0xFF000000u;

// Where a glyph's pen was put: its quad's corner minus the cell's bearings.
struct Pen {
    int x, y;
    bool operator==(const Pen& o) const { return x == o.x && y == o.y; }
};
std::ostream& operator<<(std::ostream& out, const Pen& p) { return out << "(" << p.x << "," << p.y << ")"; }

struct Placed {
    float x, y;
    bool operator==(const Placed& o) const { return x == o.x && y == o.y; }
};
std::ostream& operator<<(std::ostream& out, const Placed& p) { return out << "(" << p.x << "," << p.y << ")"; }

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
        TaskSystem::Shutdown();
        GfxTest::TearDown();
    }
    TextBox* Make(Font* font, int maxChars = 256) {
        TextBox* box = TextBox::Create(font, maxChars, nullptr);
        if (box) boxes.push_back(box);
        return box;
    }
    // IPA Gothic at size 28 renders a 20-pixel em: kana and kanji advance 20, Latin 10.
    TextBox* MakeJapanese(int x, int y, int width, int height) {
        TextBox* box = Make(japanese);
        TextBox::SetFontSize(box, 28);
        TextBox::SetPos(box, x, y);
        TextBox::SetSize(box, width, height);
        return box;
    }
    // Appends without the worker: every glyph is prepared and, with no wait, shown.
    static void Show(TextBox* box, const char* text) {
        TextBox::SetTextUtf8(box, text, 0);
        TextBox::UpdateLayout(box);
    }
    static std::vector<Placed> Layout(TextBox* box) {
        std::vector<Placed> out;
        std::lock_guard<std::mutex> hold(box->lock);
        for (int i = 0; i < box->shown; ++i)
            if (box->chars[i].glyph) out.push_back({box->chars[i].x, box->chars[i].y});
        return out;
    }
    // Pens of the glyph quads, in order; with outlines every other quad is the outline.
    static std::vector<Pen> Pens(TextBox* box) {
        std::vector<Pen> out;
        std::lock_guard<std::mutex> hold(box->lock);
        const QuadVertex* quad = box->batch->vertices;
        for (int i = 0; i < box->shown; ++i) {
            const TextBoxChar& record = box->chars[i];
            if (!record.glyph) continue;
            if (record.edgeGlyph) quad += 4;
            out.push_back({quad[0].x - record.glyph->left, quad[0].y - record.glyph->top});
            quad += 4;
        }
        return out;
    }
    static int PreparedCount(TextBox* box) {
        std::lock_guard<std::mutex> hold(box->lock);
        return box->prepared;
    }

    Font* japanese = nullptr;
    Font* latin = nullptr;
    std::vector<TextBox*> boxes;
};

TEST_F(TextBoxTest, RevealFollowsTheWaitTimeAndSkip) {
    struct Case {
        const char* text;
        int wait;
        int skipAfterUpdate;  // 0 = never
        std::vector<int> shownAfterUpdate;
    };
    const Case cases[] = {
        {"abc", 2, 0, {0, 0, 1, 1, 2, 2, 3, 3}},
        {"abc", 1, 0, {0, 1, 2, 3, 3}},
        {"abc", 0, 0, {3, 3}},
        {"abcdef", 2, 3, {0, 0, 1, 6, 6}},
        {"a b\nc", 1, 0, {0, 1, 2, 3, 4, 5, 5}},  // blanks take their turn too
    };
    for (const Case& c : cases) {
        TextBox* box = Make(latin);
        TextBox::SetWaitTime(box, c.wait);
        TextBox::SetTextUtf8(box, c.text, 1);
        int count = static_cast<int>(strlen(c.text));
        // The worker prepares; updates start once it is done, so timing is exact.
        ASSERT_TRUE(WaitUntil([&] { return PreparedCount(box) == count; })) << c.text;
        EXPECT_FALSE(TextBox::IsAnimDone(box));
        for (size_t update = 0; update < c.shownAfterUpdate.size(); ++update) {
            if (c.skipAfterUpdate != 0 && static_cast<int>(update) == c.skipAfterUpdate) TextBox::Skip(box);
            TaskSystem::RunMainQueue();
            EXPECT_EQ(box->shown, c.shownAfterUpdate[update]) << c.text << " wait " << c.wait << " update " << update + 1;
        }
        EXPECT_TRUE(TextBox::IsAnimDone(box));
        EXPECT_EQ(box->flags & kTextBoxSkip, 0u) << "skip ends once everything is shown";
    }
}

TEST_F(TextBoxTest, WrapsBeforeTheCharacterThatCrossesTheRightEdge) {
    struct Case { const char* text; std::vector<Placed> placed; };
    const Case cases[] = {
        {"あいうえお", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}}},
        {"あいうえおか", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {0, 28}}},
        {"あいうえお。", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {0, 28}}},
        {"あいうえお」か", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {100, 0}, {0, 28}}},
        {"あいうえお』", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0}, {100, 0}}},
        {"Abc\nあ", {{0, 0}, {10, 0}, {20, 0}, {0, 28}}},
        {"ああああああああああああ", {{0, 0}, {20, 0}, {40, 0}, {60, 0}, {80, 0},
                                       {0, 28}, {20, 28}, {40, 28}, {60, 28}, {80, 28}, {0, 56}, {20, 56}}},
    };
    for (const Case& c : cases) {
        TextBox* box = MakeJapanese(200, 100, 100, 200);
        Show(box, c.text);
        EXPECT_EQ(Layout(box), c.placed) << c.text;
        // The pens are the layout moved to the box's top-left corner (150, 0).
        std::vector<Pen> pens = Pens(box);
        ASSERT_EQ(pens.size(), c.placed.size());
        for (size_t i = 0; i < pens.size(); ++i)
            EXPECT_EQ(pens[i], (Pen{150 + int(c.placed[i].x), int(c.placed[i].y)})) << c.text << " " << i;
    }
}

TEST_F(TextBoxTest, VerticalAlignmentCountsEveryStoredLine) {
    struct Case { int vertAlign; float firstY; };
    // Line height 28 + 4, three lines in a box 200 high.
    for (Case c : {Case{kTextAlignTop, 2}, Case{kTextAlignMiddle, 100 - 48}, Case{kTextAlignBottom, 200 - 96},
                   Case{5, 2}}) {
        TextBox* box = MakeJapanese(200, 100, 200, 200);
        TextBox::SetLineSpace(box, 4);
        TextBox::SetVertAlign(box, c.vertAlign);
        Show(box, "あい\nう\nえ");
        EXPECT_EQ(Layout(box), (std::vector<Placed>{{0, c.firstY}, {20, c.firstY}, {0, c.firstY + 32},
                                                    {0, c.firstY + 64}}))
            << c.vertAlign;
        EXPECT_EQ(TextBox::GetCursorX(box), 20);
        EXPECT_EQ(TextBox::GetCursorY(box), int(16 + c.firstY + 64)) << c.vertAlign;
    }
    // Lines not yet uncovered already count, so the text does not move while it appears.
    TextBox* box = MakeJapanese(200, 100, 200, 200);
    TextBox::SetLineSpace(box, 4);
    TextBox::SetVertAlign(box, kTextAlignMiddle);
    TextBox::SetWaitTime(box, 1);
    TextBox::SetTextUtf8(box, "あい\nう\nえ", 1);
    ASSERT_TRUE(WaitUntil([&] { return PreparedCount(box) == 6; }));
    for (int update = 0; update < 3; ++update) TaskSystem::RunMainQueue();
    TextBox::UpdateLayout(box);
    EXPECT_EQ(Layout(box), (std::vector<Placed>{{0, 52}, {20, 52}}));
}

TEST_F(TextBoxTest, CharacterLimits) {
    std::string twoThousand(2000, 'x');
    struct Case { int maxChars; std::vector<std::string> appends; int expectedMax; int expectedCount; };
    const Case cases[] = {
        {3000, {twoThousand}, 3000, 1023},   // one call converts at most 1023 units
        {3000, {twoThousand, twoThousand}, 3000, 2046},
        {10, {"0123456789abc", "d"}, 10, 10},
        {100000, {"a"}, kTextBoxMaxChars, 1},  // 16-bit batch indices cap the slots
        {0, {"ab"}, 1, 1},
        {-7, {"ab"}, 1, 1},
        {50, {"", "\n"}, 50, 1},  // a print of "" and its line break
    };
    for (const Case& c : cases) {
        TextBox* box = Make(latin, c.maxChars);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->maxChars, c.expectedMax) << c.maxChars;
        for (const std::string& text : c.appends) TextBox::SetTextUtf8(box, text.c_str(), 1);
        EXPECT_EQ(box->count, c.expectedCount) << c.maxChars;
        EXPECT_LE(uint32_t{box->maxChars} * 5 * 4, 65536u);
    }
    TextBox* box = Make(latin, 50);
    TextBox::SetTextUtf8(box, "", 1);
    TextBox::SetTextUtf8(box, "\n", 1);
    EXPECT_EQ(box->chars[0].character, u'\n');
}

// Red text with a black outline on white: red only inside the glyph quads,
// a dark ring around it, and nothing outside the clip rectangle.
TEST_F(TextBoxTest, OutlinedRedTextOnWhite) {
    TextBox* box = Make(latin);
    TextBox::SetPos(box, 128, 128);
    TextBox::SetSize(box, 240, 60);
    TextBox::SetFontSize(box, 32);
    TextBox::SetFontRGBA(box, kRed);
    TextBox::SetEdgeSize(box, 1);
    TextBox::SetEdgeRGBA(box, kBlack);
    const int clip[4] = {20, 98, 110, 140};
    TextBox::SetClipRect(box, clip[0], clip[1], clip[2], clip[3]);
    Show(box, "Hog Well");

    ClearScreen(255, 255, 255);
    RebindStd2dProgram();
    TextBox::Draw(box);
    ASSERT_TRUE(NoGlError());
    const std::vector<uint8_t> rgba = ReadRect(0, 0, kWidth, kHeight);

    struct Rect {
        int left, top, right, bottom;
        bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    };
    std::vector<Rect> glyphRects;
    {
        std::lock_guard<std::mutex> hold(box->lock);
        const QuadVertex* quad = box->batch->vertices;
        for (uint32_t v = 0; v < box->batch->vertexCount; v += 8)  // outline, then glyph
            glyphRects.push_back({quad[v + 4].x, quad[v + 4].y, quad[v + 7].x, quad[v + 7].y});
    }
    ASSERT_FALSE(glyphRects.empty());
    Rect clipRect{clip[0], clip[1], clip[2], clip[3]};
    int red = 0, dark = 0, darkOutsideGlyphs = 0, strayOutsideClip = 0, redOutsideGlyphs = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgba[(y * kWidth + x) * 4];
            bool isWhite = p[0] == 255 && p[1] == 255 && p[2] == 255;
            if (!clipRect.Contains(x, y)) {
                strayOutsideClip += !isWhite;
                continue;
            }
            bool inGlyph = false;
            for (const Rect& r : glyphRects) inGlyph = inGlyph || r.Contains(x, y);
            if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                ++red;
                redOutsideGlyphs += !inGlyph;
            }
            if (p[0] < 60 && p[1] < 60 && p[2] < 60) {
                ++dark;
                darkOutsideGlyphs += !inGlyph;
            }
        }
    }
    EXPECT_EQ(strayOutsideClip, 0);
    EXPECT_GT(red, 100);
    EXPECT_EQ(redOutsideGlyphs, 0);
    EXPECT_GT(dark, 100);
    EXPECT_GT(darkOutsideGlyphs, 20) << "the outline reaches past the glyphs";

    // A box colour with alpha 0 hides the box without touching anything else.
    TextBox::SetColor(box, 0x00FFFFFFu);
    ClearScreen(255, 255, 255);
    TextBox::Draw(box);
    EXPECT_TRUE(RectIs(0, 0, kWidth, kHeight, Rgba{255, 255, 255, 255}));
}

// Scales come from scripts unchecked; pens no integer can hold are held at
// the range's edge instead of overflowing.
TEST_F(TextBoxTest, ScalesBeyondAnyIntegerStillLayOut) {
    const float scales[] = {std::nanf(""), 1e30f, -1e30f, INFINITY};
    for (bool fixed : {false, true}) {
        for (float scale : scales) {
            TextBox* box = Make(latin, 16);
            TextBox::SetFixedSpace(box, fixed);
            TextBox::SetScale(box, scale);
            Show(box, "j(Aj");
            std::lock_guard<std::mutex> hold(box->lock);
            EXPECT_EQ(box->batch->vertexCount, 16u) << scale;
        }
    }
}

}  // namespace
