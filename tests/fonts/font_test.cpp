// Fonts on a real GL context: atlas pixels read back against the CPU cells,
// acquire and release bookkeeping, loading from files and sharing font data.
#include "gfx/font.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfx/font_data.h"
#include "gfx/gl_state.h"
#include "gfx/glyph_cache.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"
#include "tests/fonts/font_files.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"

namespace {

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
    struct Case {
        char16_t character;
        int edge;
    };
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

}  // namespace
