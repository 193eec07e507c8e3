// The graphics side's start and stop.
#include "gfx/graphics.h"

#include <GLES2/gl2.h>

#include "gfx/gl_state.h"
#include "gfx/image_atlas.h"
#include "gfx/pixel_format.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"

bool GraphicsInit(int32_t width, int32_t height, Allocator* allocator) {
    GlState::Clear();
    ResetTextureMemoryTotal();
    ResetRenderStats();
    SetScreenSize(width, height);
    GlState::SetDepthFunc(GL_LESS);
    DetectCompressedFormatSupport(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    ImageAtlas::Init();
    const bool built = Std2dInit(allocator);
    GlState::Clear();
    GlState::SetDepthFunc(GL_LESS);
    GlState::SetDepthMask(1);
    GlState::ApplyAll();
    return built;
}

void GraphicsShutdown() {
    Std2dShutdown();
    ImageAtlas::Shutdown();
    GlState::Clear();
}
