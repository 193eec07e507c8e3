#include "fx_gl_fixture.h"

#include "fx/gl/buffers.h"
#include "fx/gl/texture_loader.h"

void FxGlTest::SetUp() {
    GlTest::SetUp();
    glViewport(0, 0, kView, kView);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderer = FxRenderer::Renderer::Create(1200);
    ASSERT_NE(renderer, nullptr);
    sprites.reset(renderer->CreateSpriteRenderer());
    ribbons.reset(renderer->CreateRibbonRenderer());
    rings.reset(renderer->CreateRingRenderer());
    models.reset(renderer->CreateModelRenderer());
    ASSERT_TRUE(sprites && ribbons && rings && models);
    renderer->BeginRendering();
}

void FxGlTest::TearDown() {
    sprites.reset();
    ribbons.reset();
    rings.reset();
    models.reset();
    if (renderer) {
        renderer->EndRendering();
        const GLuint buffers[2] = {renderer->GetVertexBuffer()->GetName(), renderer->GetIndexBuffer()->GetName()};
        EXPECT_EQ(renderer->Release(), 0);
        EXPECT_FALSE(glIsBuffer(buffers[0]) || glIsBuffer(buffers[1]));  // the last release frees both
    }
    for (void* texture : effect.textures) FxRenderer::TextureLoader(nullptr).Unload(texture);
    GlTest::TearDown();
}

void* FxGlTest::MakeTexture(int width, int height, const std::vector<uint32_t>& pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return reinterpret_cast<void*>(uintptr_t(name));
}

std::vector<FxRenderer::EffectVertex> FxGlTest::Captured(int squares) const {
    auto* first = reinterpret_cast<const FxRenderer::EffectVertex*>(renderer->GetVertexBuffer()->GetMemory());
    return std::vector<FxRenderer::EffectVertex>(first, first + 4 * squares);
}

int FxGlTest::CapturedSquares() const {
    return int(renderer->GetVertexBuffer()->GetOffset() / (4 * sizeof(FxRenderer::EffectVertex)));
}

void FxGlTest::ExpectAt(const FxRenderer::EffectVertex& v, Xyz p) {
    const float expected[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(v.position[i], expected[i], 1e-5f) << "axis " << i;
}

Fx::SpriteInstanceParameter SquareSprite(float half, Fx::Color colour) {
    Fx::SpriteInstanceParameter sprite;
    sprite.matrix.SetIdentity();
    const float corners[4][2] = {{-half, -half}, {half, -half}, {-half, half}, {half, half}};
    for (int i = 0; i < 4; ++i) {
        sprite.positions[i] = Fx::Vector2D{corners[i][0], corners[i][1]};
        sprite.colors[i] = colour;
    }
    sprite.uv = Fx::TextureRect{0.0f, 0.0f, 1.0f, 1.0f};
    return sprite;
}
