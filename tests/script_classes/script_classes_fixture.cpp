#include "tests/script_classes/script_classes_fixture.h"

#include <cstddef>

#include "gfx/async_texture.h"
#include "script/script_class_args.h"
#include "script/script_host.h"

namespace {

// ImageInterface(...): an AsyncTexture owned by the instance, never loaded.
SQInteger StandInImage(HSQUIRRELVM v) {
    AsyncTexture* texture = AsyncTexture::Create(GetScriptObjectAllocator());
    sq_setinstanceup(v, 1, texture);
    sq_setreleasehook(v, 1, [](SQUserPointer pointer, SQInteger) -> SQInteger {
        ReleaseTexture(static_cast<AsyncTexture*>(pointer));
        return 1;
    });
    return 0;
}

const ScriptMethodRow kStandInRows[] = {{"constructor", StandInImage, -1, nullptr, false}};

}  // namespace

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
