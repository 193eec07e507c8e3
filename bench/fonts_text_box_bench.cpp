// The cost of a 200-character Japanese text box: appending the text,
// preparing its glyphs and laying it out (with the atlas uploads), once with
// a font whose cache is cold and once with every glyph already cached; then
// the per-frame relayout. Beside them, plain FreeType rendering the same
// characters without any cache. The "renders" counter is glyphs rendered by
// FreeType per iteration: a warm cache must show 0.
#include <benchmark/benchmark.h>

#include <GLES2/gl2.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <memory>
#include <string>

#include "core/task_system.h"
#include "core/text_utf.h"
#include "gfx/font.h"
#include "gfx/font_data.h"
#include "gfx/glyph_cache.h"
#include "gfx/graphics.h"
#include "gfx/text_box.h"
#include "platform/gl_headless.h"

namespace {

const char* const kFontPath = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

// 200 UTF-16 units, 102 different characters.
const char* const kText =
    "北の砦に朝が来た。見張りの兵士たちは霧の向こうに敵の旗を見つけ、急いで隊長に知らせた。"
    "隊長は地図を広げ、川沿いの道と丘の上の森を指さした。「弓兵は森へ、槍兵は橋の前に並べ。"
    "騎兵は合図があるまで動くな。」若い魔術師が手を挙げて、雨を呼ぶ術なら準備できると言った。"
    "隊長は少し考えてから笑った。「では、敵の火薬を湿らせてくれ。」こうして静かな戦いの一日が"
    "始まった。誰もが自分の役目を知っていた。夕方には雨が";

constexpr int kCellSize = 32;
constexpr int kFontSize = 28;

FontData* gData = nullptr;

// The box as a message window uses it: outlined, wrapped in a 640-pixel line.
void FillBox(TextBox* box) {
    TextBox::SetPos(box, 400, 240);
    TextBox::SetSize(box, 640, 200);
    TextBox::SetFontSize(box, kFontSize);
    TextBox::SetEdgeSize(box, 1);
    TextBox::SetTextUtf8(box, kText, 0);
    TextBox::UpdateLayout(box);
    glFinish();  // the atlas uploads are part of the cost
}

void BM_TextBoxColdCache(benchmark::State& state) {
    uint64_t renders = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Font* font = NewFont(kCellSize, gData, 0, 0, nullptr);
        state.ResumeTiming();
        TextBox* box = TextBox::Create(font, 256, nullptr);
        FillBox(box);
        TextBox::Destroy(box);
        state.PauseTiming();
        renders += font->cache->renderCount;
        Font::Release(font);
        state.ResumeTiming();
    }
    state.counters["renders"] = benchmark::Counter(static_cast<double>(renders), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TextBoxColdCache)->Unit(benchmark::kMicrosecond);

void BM_TextBoxWarmCache(benchmark::State& state) {
    Font* font = NewFont(kCellSize, gData, 0, 0, nullptr);
    TextBox* warmUp = TextBox::Create(font, 256, nullptr);
    FillBox(warmUp);
    TextBox::Destroy(warmUp);
    uint64_t before = font->cache->renderCount;
    for (auto _ : state) {
        TextBox* box = TextBox::Create(font, 256, nullptr);
        FillBox(box);
        TextBox::Destroy(box);
    }
    state.counters["renders"] = benchmark::Counter(static_cast<double>(font->cache->renderCount - before),
                                                   benchmark::Counter::kAvgIterations);
    Font::Release(font);
}
BENCHMARK(BM_TextBoxWarmCache)->Unit(benchmark::kMicrosecond);

// What a frame costs once the text is shown and something moved the box.
void BM_TextBoxRelayoutPerFrame(benchmark::State& state) {
    Font* font = NewFont(kCellSize, gData, 0, 0, nullptr);
    TextBox* box = TextBox::Create(font, 256, nullptr);
    FillBox(box);
    uint64_t before = font->cache->renderCount;
    int frame = 0;
    for (auto _ : state) {
        TextBox::SetPos(box, 400 + (++frame & 7), 240);
        TextBox::UpdateLayout(box);
    }
    state.counters["renders"] = benchmark::Counter(static_cast<double>(font->cache->renderCount - before),
                                                   benchmark::Counter::kAvgIterations);
    TextBox::Destroy(box);
    Font::Release(font);
}
BENCHMARK(BM_TextBoxRelayoutPerFrame)->Unit(benchmark::kMicrosecond);

// Reference: FreeType loading and rendering the 200 characters (plain, no
// outline) at the same pixel size, with no cache of any kind.
void BM_FreeTypeRenderReference(benchmark::State& state) {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FT_Init_FreeType(&library);
    FT_New_Memory_Face(library, gData->bytes, gData->size, 0, &face);
    FT_Set_Pixel_Sizes(face, 0, kFontSize - 8);
    char16_t units[256];
    size_t count = Utf8ToUtf16(units, 256, kText);
    for (auto _ : state) {
        for (size_t i = 0; i < count; ++i) benchmark::DoNotOptimize(FT_Load_Char(face, units[i], FT_LOAD_RENDER));
    }
    state.counters["renders"] = static_cast<double>(count);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeRenderReference)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    std::unique_ptr<HeadlessGlContext> context = HeadlessGlContext::Create(800, 480, &error);
    if (!context || !context->MakeCurrent()) {
        fprintf(stderr, "no GL context: %s\n", error.c_str());
        return 1;
    }
    gData = LoadFontData(kFontPath, nullptr, nullptr);
    if (!gData || !GraphicsInit(800, 480, nullptr) || !TaskSystem::Init(nullptr)) return 1;
    FontData::AddRef(gData);  // kept by the benchmark across the fonts it makes
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FontData::Release(gData);
    TaskSystem::Shutdown();
    GraphicsShutdown();
    return 0;
}
