// Batched 2D drawing: a scene of sprites, text sprites and tiles drawn
// through the layer list gives the same pixels in fewer draw calls than one
// draw per object, and a layer that draws by other means sees everything
// below it already drawn.
#include "gfx/gl_state.h"
#include "gfx/layer_list.h"
#include "gfx/sprite.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_sprite.h"
#include "gfx/tile.h"
#include "tests/gfx/sprites2d_fixture.h"

namespace {

class BatchingTest : public Sprites2dTest {
protected:
    void TearDown() override {
        for (Sprite* sprite : sprites_) Sprite::Destroy(sprite);
        TextSprite::Destroy(text_);
        Tile::Destroy(tile_);
        LayerList::Destroy(list_);  // the nodes go with the fixture
        SetStd2dBatchingEnabled(true);
        Sprites2dTest::TearDown();
    }
    void Add(void* object, LayerDrawCallback draw) {
        nodes_.push_back(LayerNode{{}, object, draw, 0});
        LayerList::Insert(list_, &nodes_.back());
    }
    Sprite* AddSprite(AsyncTexture* image, int x, int y, uint32_t colour, int32_t blend = 1) {
        sprites_.push_back(Sprite::Create(nullptr));
        Sprite* sprite = sprites_.back();
        sprite->SetImage(image);
        if (image == nullptr) sprite->SetSize(30, 30);
        sprite->SetPos(x, y);
        sprite->SetColor(colour);
        sprite->SetBlend(blend);
        Add(sprite, Sprite::Draw);
        return sprite;
    }
    std::vector<uint8_t> DrawFrame(bool batched) {
        SetStd2dBatchingEnabled(batched);
        ClearScreen(10, 20, 30);
        ResetRenderStats();
        LayerList::Draw(list_);
        return ReadRect(0, 0, kWidth, kHeight);
    }

    LayerList* list_ = LayerList::Create(nullptr);
    std::vector<LayerNode> nodes_ = std::vector<LayerNode>(0);
    std::vector<Sprite*> sprites_;
    TextSprite* text_ = nullptr;
    Tile* tile_ = nullptr;

public:
    BatchingTest() { nodes_.reserve(64); }  // nodes stay put while linked
};

TEST_F(BatchingTest, SameSceneSamePixelsFewerDraws) {
    AsyncTexture* a = TexelImage(16, 16, 8);
    AsyncTexture* b = TexelImage(16, 16, 8, 40);
    tile_ = Tile::Create(nullptr);
    tile_->SetImage(a, nullptr);
    tile_->SetSize(200, 60);
    tile_->SetPos(110, 50);
    Add(tile_, Tile::Draw);  // a's texture, nearest filtering: joins the sprites below
    const uint32_t half = ColorWord(255, 255, 255, 128);
    for (int i = 0; i < 6; ++i) AddSprite(a, 20 + i * 9, 40 + i * 5, i % 2 ? half : 0xFFFFFFFFu);  // overlapping
    AddSprite(b, 60, 60, half);
    AddSprite(b, 64, 66, 0xFFFFFFFFu);
    AddSprite(nullptr, 70, 70, ColorWord(255, 0, 0, 100));
    AddSprite(nullptr, 80, 75, ColorWord(0, 255, 0, 100), 2);  // another blend mode
    AddSprite(a, 90, 80, half)->SetAngle(30.0f);               // rotated, filtered
    AddSprite(a, 100, 90, half)->SetAngle(60.0f);
    text_ = TextSprite::Create(16, nullptr);
    text_->SetSheet(a, 0, 0, 4, 4);
    text_->SetText("!\"#$%&'()*+,-./0");
    text_->SetPos(100, 150);
    Add(text_, TextSprite::Draw);
    AddSprite(a, 150, 150, 0xFFFFFFFFu)->SetScale(3.0f);  // linear filtering like the text

    const std::vector<uint8_t> unbatched = DrawFrame(false);
    const uint32_t unbatchedCalls = GetRenderStats().drawCalls;
    const std::vector<uint8_t> batched = DrawFrame(true);
    EXPECT_EQ(unbatchedCalls, 15u);
    // Runs: the tile and six a-sprites; two b-sprites; red; green; the rotated
    // sprites, the text and the scaled sprite (all a, filtered).
    EXPECT_EQ(GetRenderStats().drawCalls, 5u);
    EXPECT_TRUE(batched == unbatched) << "the batched frame differs";
    EXPECT_TRUE(NoGlError());
}

TEST_F(BatchingTest, OtherLayersSeeEverythingBelowDrawn) {
    static uint32_t drawsBefore;
    auto record = [](void*) { drawsBefore = GetRenderStats().drawCalls; };
    for (int i = 0; i < 3; ++i) AddSprite(nullptr, 20 + i * 10, 20, ColorWord(0, 0, 255));
    Add(nullptr, record);
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    DrawFrame(true);
    EXPECT_EQ(drawsBefore, 1u);
    EXPECT_EQ(GetRenderStats().drawCalls, 2u);
}

TEST_F(BatchingTest, MoreQuadsThanOneDrawHolds) {
    text_ = TextSprite::Create(kMaxBatchQuads, nullptr);
    text_->SetSheet(TexelImage(64, 8, 2), 0, 0, 4, 4);
    std::string text(kMaxBatchQuads, '!');
    text_->SetText(text.c_str());
    text_->SetSize(4 * 128, 4 * 128);
    Add(text_, TextSprite::Draw);
    Add(text_, TextSprite::Draw);  // the same quads again: more than one draw holds with the first
    AddSprite(nullptr, 100, 100, ColorWord(0, 0, 255));
    AddSprite(nullptr, 100, 130, ColorWord(0, 0, 255));
    const std::vector<uint8_t> unbatched = DrawFrame(false);
    EXPECT_EQ(GetRenderStats().drawCalls, 4u);
    EXPECT_TRUE(DrawFrame(true) == unbatched);
    EXPECT_EQ(GetRenderStats().drawCalls, 3u);
}

}  // namespace
