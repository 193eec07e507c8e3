// The media script-class fixture: the test pack (pictures from the image tests' writer,
// the system fonts), the GL and task set-up, and waits for background work.
#include "tests/script_classes/media_classes_fixture.h"

#include <GLES2/gl2.h>
#include <png.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "core/task_system.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "gfx/async_texture.h"
#include "gfx/font.h"
#include "gfx/gl_state.h"
#include "gfx/graphics.h"
#include "gfx/std2d.h"
#include "gfx/text_box.h"
#include "script/engine_tables.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "tests/gfx_images/image_test_files.h"
#include "tools/epk2tool/pack_writer.h"

namespace {

constexpr auto kPatience = std::chrono::seconds(20);

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> QuadrantsPng() {
    PngLayout layout;
    layout.width = layout.height = 16;
    layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            uint32_t colour = kQuadrantColours[(y >= 8 ? 2 : 0) + (x >= 8 ? 1 : 0)];
            layout.rows.insert(layout.rows.end(), {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                                                   static_cast<uint8_t>(colour), 255});
        }
    }
    return Bytes(WritePng(layout));
}

// Half of a noisy picture's file: the header reads, the pixel data ends early.
std::vector<uint8_t> BrokenPng() {
    std::string bytes = WritePng(NoisePngLayout(PNG_COLOR_TYPE_RGB_ALPHA, 8, false, 64, 64, 12345));
    return Bytes(bytes.substr(0, bytes.size() / 2));
}

std::vector<uint8_t> ReadSystemFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool BuildPack(std::vector<uint8_t>* out) {
    PackWriter writer;
    const int image = writer.AddDirectory(PackWriter::kRoot, "image");
    const int font = writer.AddDirectory(PackWriter::kRoot, "font");
    PackFileOptions stored;
    stored.compression = PackCompression::kNever;  // the fonts are large; zlib adds nothing to these tests
    std::vector<uint8_t> latin = ReadSystemFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    std::vector<uint8_t> japanese = ReadSystemFile("/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
    std::string error;
    return !latin.empty() && !japanese.empty() && writer.AddFile(image, "quadrants.png", QuadrantsPng()) &&
           writer.AddFile(image, "broken.png", BrokenPng()) &&
           writer.AddFile(font, "DejaVuSans.ttf", std::move(latin), stored) &&
           writer.AddFile(font, "ipag.ttf", std::move(japanese), stored) &&
           writer.Build(GetBuiltInPackKeyTable(), out, &error);
}

}  // namespace

HeadlessGlContext* MediaClassesTest::context_ = nullptr;
std::vector<uint8_t>* MediaClassesTest::packBytes_ = nullptr;
PackMgr* MediaClassesTest::pack_ = nullptr;

void MediaClassesTest::SetUpTestSuite() {
    std::string error;
    context_ = HeadlessGlContext::Create(kWidth, kHeight, &error).release();
    ASSERT_NE(context_, nullptr) << error;
    packBytes_ = new std::vector<uint8_t>;
    ASSERT_TRUE(BuildPack(packBytes_)) << "the fonts-dejavu-core and fonts-ipafont-gothic files are needed";
    pack_ = OpenPackMemory(packBytes_->data(), static_cast<uint32_t>(packBytes_->size()), nullptr);
    ASSERT_NE(pack_, nullptr);
}

void MediaClassesTest::TearDownTestSuite() {
    FsMgr::Release(pack_);
    pack_ = nullptr;
    delete packBytes_;
    packBytes_ = nullptr;
    delete context_;
    context_ = nullptr;
}

void MediaClassesTest::SetUp() {
    ASSERT_NE(pack_, nullptr);
    ASSERT_TRUE(context_->MakeCurrent());
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    glViewport(0, 0, kWidth, kHeight);
    ASSERT_TRUE(GraphicsInit(kWidth, kHeight, nullptr));
    RebindStd2dProgram();
    ScriptTest::SetUp();
    SetScriptObjectAllocator(&objects_);
    SetCurrentFsMgr(pack_);
    RegisterScriptInterfaces();
    ASSERT_NE(GetGlobalLayerList(), nullptr);
}

void MediaClassesTest::TearDown() {
    ScriptTest::TearDown();  // closing the VM runs every release hook
    EXPECT_EQ(GetGlobalLayerList()->nodes.count, 0u);
    ShutdownScriptInterfaces();
    SetCurrentFsMgr(nullptr);
    SetScriptObjectAllocator(nullptr);
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects were not freed";
    EXPECT_EQ(objects_.badFrees, 0u);
    EXPECT_EQ(GetAsyncTextureList().count, 0u);
    EXPECT_EQ(LiveFontCount(), 0u);
    UnbindStd2dProgram();
    GraphicsShutdown();
    TaskSystem::Shutdown();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void MediaClassesTest::Run(const std::string& source) { EXPECT_TRUE(RunSource(v, source).ok) << source; }

bool MediaClassesTest::Throws(const std::string& call) {
    EvalResult result =
        RunSource(v, "local caught = false; try { " + call + "; } catch (e) { caught = true; } return caught;");
    EXPECT_TRUE(result.ok) << call;
    return result.boolean;
}

void* MediaClassesTest::NativeOf(const std::string& expression) {
    const std::string source = "return " + expression + ";";
    SQInteger top = sq_gettop(v);
    SQUserPointer native = nullptr;
    if (SQ_SUCCEEDED(sq_compilebuffer(v, source.data(), static_cast<SQInteger>(source.size()), "native.nut", SQTrue))) {
        sq_pushroottable(v);
        if (SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)) && sq_gettype(v, -1) == OT_INSTANCE) {
            sq_getinstanceup(v, -1, &native, nullptr);
        }
    }
    sq_settop(v, top);
    return native;
}

void MediaClassesTest::WaitForImages() {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        TaskSystem::RunMainQueue();
        bool busy = false;
        for (ListNode* link = GetAsyncTextureList().head; link != nullptr; link = link->next) {
            int32_t state = reinterpret_cast<AsyncTexture*>(link)->state.load();
            busy |= state == kAsyncTextureLoading || state == kAsyncTextureDecoded;
        }
        if (!busy) return;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "images still loading";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<TextBox*> MediaClassesTest::TextBoxes() {
    std::vector<TextBox*> boxes;
    for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
        auto* node = reinterpret_cast<LayerNode*>(link);
        if (node->draw == TextBox::Draw) boxes.push_back(static_cast<TextBox*>(node->argument));
    }
    return boxes;
}

void MediaClassesTest::DrawLayers() {
    const float black[4] = {0, 0, 0, 1};
    GlClearColorBuffer(black);
    DrawGlobalLayerList();
}

uint32_t MediaClassesTest::ReadPixel(int x, int y) {
    uint8_t p[4] = {};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2];
}
