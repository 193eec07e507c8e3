// The script-class fixture: the test pack, the VM and task set-up, and waits for background work.
#include "tests/script_classes/media_classes_fixture.h"

#include <png.h>

#include <fstream>
#include <iterator>

#include "core/task_system.h"
#include "fs/fs_mgr.h"
#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "gfx/async_texture.h"
#include "gfx/font.h"
#include "script/engine_tables.h"
#include "script/script_host.h"
#include "tests/gfx_images/image_test_files.h"
#include "tests/support/wait_until.h"
#include "tools/epk2tool/pack_writer.h"

// Built once for the whole binary; it stays open to the end.
static PackMgr* TestPack() {
    static std::vector<uint8_t> bytes;
    static PackMgr* pack = [] {
        PngLayout png;
        png.width = png.height = 16;
        png.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        for (int i = 0; i < 16 * 16; ++i) {
            uint32_t colour = kQuadrantColours[(i / 16 >= 8 ? 2 : 0) + (i % 16 >= 8 ? 1 : 0)];
            png.rows.insert(png.rows.end(), {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour), 255});
        }
        const std::string picture = WritePng(png);
        std::ifstream in("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", std::ios::binary);
        std::vector<uint8_t> font((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        PackWriter writer;
        PackFileOptions stored;
        stored.compression = PackCompression::kNever;  // the font is large; zlib adds nothing to these tests
        std::string error;
        if (font.empty() ||
            !writer.AddFile(writer.AddDirectory(PackWriter::kRoot, "image"), "quadrants.png",
                            std::vector<uint8_t>(picture.begin(), picture.end())) ||
            !writer.AddFile(writer.AddDirectory(PackWriter::kRoot, "font"), "DejaVuSans.ttf", std::move(font), stored) ||
            !writer.Build(GetBuiltInPackKeyTable(), &bytes, &error)) {
            return static_cast<PackMgr*>(nullptr);
        }
        return OpenPackMemory(bytes.data(), static_cast<uint32_t>(bytes.size()), nullptr);
    }();
    return pack;
}

void MediaClassesTest::SetUp() {
    GfxTest::SetUp();
    ASSERT_NE(TestPack(), nullptr) << "the fonts-dejavu-core files are needed";
    ASSERT_TRUE(TaskSystem::Init(nullptr));
    SetScriptVMAllocator(&vmAllocator);
    v = CreateScriptVM();
    ASSERT_NE(v, nullptr);
    SetScriptObjectAllocator(&objects_);
    SetCurrentFsMgr(TestPack());
    RegisterScriptInterfaces();
    ASSERT_NE(GetGlobalLayerList(), nullptr);
}

void MediaClassesTest::TearDown() {
    CloseScriptVM();  // runs every release hook
    SetScriptVMAllocator(nullptr);
    EXPECT_TRUE(vmAllocator.live.empty()) << LiveBytes(vmAllocator) << " bytes the VM did not give back";
    EXPECT_EQ(GetGlobalLayerList()->nodes.count, 0u);
    ShutdownScriptInterfaces();
    SetCurrentFsMgr(nullptr);
    SetScriptObjectAllocator(nullptr);
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects were not freed";
    EXPECT_EQ(objects_.badFrees, 0u);
    EXPECT_EQ(GetAsyncTextureList().count, 0u);
    EXPECT_EQ(LiveFontCount(), 0u);
    TaskSystem::Shutdown();
    GfxTest::TearDown();
}

bool MediaClassesTest::Throws(const std::string& call) {
    EvalResult result =
        RunSource(v, "local caught = false; try { " + call + "; } catch (e) { caught = true; } return caught;");
    EXPECT_TRUE(result.ok) << call;
    return result.boolean;
}

void MediaClassesTest::WaitForImages() {
    ASSERT_TRUE(WaitUntil([] {
        TaskSystem::RunMainQueue();
        bool busy = false;
        for (ListNode* link = GetAsyncTextureList().head; link != nullptr; link = link->next) {
            int32_t state = reinterpret_cast<AsyncTexture*>(link)->state.load();
            busy |= state == kAsyncTextureLoading || state == kAsyncTextureDecoded;
        }
        return !busy;
    })) << "images still loading";
}
