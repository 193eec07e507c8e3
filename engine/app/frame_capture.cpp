// One pending capture request at a time, served by the frame loop.
#include "app/frame_capture.h"

#include <GLES2/gl2.h>

#include "gfx/image.h"
#include "platform/debug_log.h"

namespace {

struct CaptureState {
    FrameCaptureHandler handler;
    bool read = false;
    Image* frame = nullptr;
};

CaptureState& State() {
    static CaptureState state;
    return state;
}

}  // namespace

bool RequestFrameCapture(FrameCaptureHandler handler) {
    CaptureState& state = State();
    if (state.handler) return false;
    state.handler = std::move(handler);
    return true;
}

bool FrameCapturePending() { return static_cast<bool>(State().handler); }

void CapturePendingFrame(int width, int height) {
    CaptureState& state = State();
    if (!state.handler || state.read) return;
    state.frame = ReadFramebufferImage(width, height);
    state.read = true;
}

void DeliverCapturedFrame() {
    CaptureState& state = State();
    if (!state.read) return;
    // The handler may run a dialog that asks for the next capture.
    FrameCaptureHandler handler = std::move(state.handler);
    Image* frame = state.frame;
    state = CaptureState();
    handler(frame);
    Image::Free(frame);
}

Image* ReadFramebufferImage(int width, int height) {
    Image* image = NewImage(width, height, kPixelRgba8888, nullptr);
    if (image == nullptr) {
        LogError("screen capture: no image of %d x %d", width, height);
        return nullptr;
    }
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image->pixels);
    GLenum error = glGetError();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(bound));
    if (error != GL_NO_ERROR) {
        LogError("screen capture: glReadPixels failed (0x%04X)", static_cast<unsigned>(error));
        Image::Free(image);
        return nullptr;
    }
    return image;
}
