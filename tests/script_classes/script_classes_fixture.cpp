#include "tests/script_classes/script_classes_fixture.h"

#include <cstddef>
#include <cstring>

#include "gfx/async_texture.h"
#include "gfx/image.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

bool gUploadImages = false;

// ImageInterface(width, height, 0xRRGGBBAA): an AsyncTexture owned by the instance.
SQInteger StandInImage(HSQUIRRELVM v) {
    AsyncTexture* texture = AsyncTexture::Create(GetScriptObjectAllocator());
    if (gUploadImages) {
        int32_t width = ScriptArgInt32(v, 1, "ImageInterface"), height = ScriptArgInt32(v, 2, "ImageInterface");
        uint32_t colour = ReverseColourBytes(static_cast<uint32_t>(ScriptArgInteger(v, 3, "ImageInterface")));
        Image* image = Image::New(width, height, kPixelRgba8888, nullptr);
        for (int32_t i = 0; i < width * height; ++i) memcpy(image->pixels + i * 4, &colour, 4);
        AsyncTexture::SetDecoded(texture, image);
        AsyncTexture::CompleteUpload(texture);
    }
    sq_setinstanceup(v, 1, texture);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        ReleaseTexture(static_cast<AsyncTexture*>(pointer));
        return 1;
    });
    return 0;
}

const ScriptMethodRow kStandInRows[] = {{"constructor", StandInImage, -1, nullptr, false}};

}  // namespace

void SetStandInImagesUploaded(bool uploaded) { gUploadImages = uploaded; }

void ScriptClassesTest::SetUp() {
    ScriptTest::SetUp();
    SetScriptObjectAllocator(&objects_);
    RegisterInputInterface();
    RegisterLayerInterface();
    ASSERT_NE(GetGlobalLayerList(), nullptr);
    RegisterTaggedScriptClass("ImageInterface", kStandInRows, 1, ScriptClassId::kImageInterface);
}

void ScriptClassesTest::TearDown() {
    ScriptTest::TearDown();  // closing the VM runs every release hook
    EXPECT_EQ(GetGlobalLayerList()->nodes.count, 0u);
    FreeGlobalLayerList();
    SetScriptObjectAllocator(nullptr);
    EXPECT_TRUE(objects_.live.empty()) << objects_.live.size() << " script objects were not freed";
    EXPECT_EQ(objects_.badFrees, 0u);
    EXPECT_EQ(GetAsyncTextureList().count, 0u);
}

void ScriptClassesTest::Run(const std::string& source) {
    EvalResult result = RunSource(v, source);
    EXPECT_TRUE(result.ok) << source;
}

std::vector<SpriteLayer*> ScriptClassesTest::Layers() {
    std::vector<SpriteLayer*> layers;
    for (ListNode* link = GetGlobalLayerList()->nodes.head; link != nullptr; link = link->next) {
        auto* node = reinterpret_cast<LayerNode*>(link);
        layers.push_back(reinterpret_cast<SpriteLayer*>(reinterpret_cast<char*>(node) - offsetof(SpriteLayer, node)));
    }
    return layers;
}
