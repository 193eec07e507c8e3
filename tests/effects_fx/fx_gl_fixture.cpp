#include "fx_gl_fixture.h"

#include "fx/gl/buffers.h"

void FxGlTest::SetUp() {
    GlTest::SetUp();
    glViewport(0, 0, kView, kView);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    MakeRenderer(1200);
}

void FxGlTest::MakeRenderer(int32_t capacity) {
    if (renderer) renderer->Release();
    renderer = FxRenderer::Renderer::Create(capacity);
    ASSERT_NE(renderer, nullptr);
}

void FxGlTest::TearDown() {
    if (renderer) {
        EXPECT_EQ(renderer->Release(), 0);
    }
    for (void* texture : effect.textures) {
        GLuint name = GLuint(reinterpret_cast<uintptr_t>(texture));
        glDeleteTextures(1, &name);
    }
    GlTest::TearDown();
}

Rgba FxGlTest::Probe(int x, int y) { return ReadPixel(x, kHeight - kView + y); }

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
