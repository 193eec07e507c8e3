#include "fx/gl/render_state.h"

#include <cstdint>

namespace FxRenderer {

void SetAlphaBlend(int32_t mode) {
    if (mode == 0) {
        glDisable(GL_BLEND);
        return;
    }
    glEnable(GL_BLEND);
    glBlendEquation(mode == 3 ? GL_FUNC_REVERSE_SUBTRACT : GL_FUNC_ADD);
    switch (mode) {
        case 1: glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
        case 2:
        case 3: glBlendFunc(GL_SRC_ALPHA, GL_ONE); break;
        case 4: glBlendFunc(GL_ZERO, GL_SRC_COLOR); break;
        default: break;
    }
}

void SetTextureFilterWrap(int32_t filter, int32_t wrap) {
    const GLint glFilter = filter == 0 ? GL_NEAREST : GL_LINEAR;
    const GLint glWrap = wrap == 0 ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, glFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, glFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, glWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, glWrap);
}

void SetCullingType(int32_t type) {
    if (type != 0 && type != 1) {
        glDisable(GL_CULL_FACE);
        return;
    }
    glEnable(GL_CULL_FACE);
    glCullFace(type == 0 ? GL_FRONT : GL_BACK);
}

void SetDepthTest(bool enabled) {
    if (enabled) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
}

void SetDepthWrite(bool enabled) { glDepthMask(enabled ? GL_TRUE : GL_FALSE); }

void BindEffectTexture(void* handle) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(reinterpret_cast<uintptr_t>(handle)));
}

}  // namespace FxRenderer
