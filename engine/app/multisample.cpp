#include "app/multisample.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gfx/pixel_format.h"
#include "platform/debug_log.h"

namespace {

constexpr GLenum kMaxSamples = 0x8D57;
constexpr GLenum kReadFramebuffer = 0x8CA8;
constexpr GLenum kDrawFramebuffer = 0x8CA9;
constexpr GLenum kRgb8 = 0x8051;

// "OpenGL ES 3.2 Mesa ..." -> 3; anything unreadable -> 0.
int MajorVersion(const char* version) {
    const char* prefix = "OpenGL ES ";
    if (version == nullptr || strncmp(version, prefix, strlen(prefix)) != 0) return 0;
    return atoi(version + strlen(prefix));
}

}  // namespace

MultisampleApi DetectMultisampleApi(const char* glVersion, const char* glExtensions) {
    if (MajorVersion(glVersion) >= 3) return MultisampleApi::kCore;
    if (HasExtension(glExtensions, "GL_ANGLE_framebuffer_multisample") &&
        HasExtension(glExtensions, "GL_ANGLE_framebuffer_blit")) {
        return MultisampleApi::kAngle;
    }
    if (HasExtension(glExtensions, "GL_NV_framebuffer_multisample") &&
        HasExtension(glExtensions, "GL_NV_framebuffer_blit")) {
        return MultisampleApi::kNv;
    }
    return MultisampleApi::kNone;
}

int ChooseSampleCount(int wanted, int maxSamples, MultisampleApi api) {
    // Without an API the maximum means nothing (on OpenGL ES 2.0 the query
    // itself may fail and leave 0): the frame draws with one sample.
    if (wanted > 1 && api == MultisampleApi::kNone) return 1;
    return std::min(wanted, maxSamples);
}

int MultisampleBuffer::Create(int wanted, int width, int height, MultisampleApi api, const GlProcLookup& lookup) {
    Destroy();
    if (wanted <= 1) return wanted;
    if (api == MultisampleApi::kNone) return 1;
    GLint maxSamples = 0;  // stays 0 when the query fails
    glGetIntegerv(kMaxSamples, &maxSamples);
    glGetError();
    int samples = ChooseSampleCount(wanted, maxSamples, api);
    if (samples <= 1) return samples;

    const char* suffix = api == MultisampleApi::kAngle ? "ANGLE" : api == MultisampleApi::kNv ? "NV" : "";
    auto storage = reinterpret_cast<StorageFn>(
        lookup((std::string("glRenderbufferStorageMultisample") + suffix).c_str()));
    blit_ = reinterpret_cast<BlitFn>(lookup((std::string("glBlitFramebuffer") + suffix).c_str()));
    if (storage == nullptr || blit_ == nullptr) {
        blit_ = nullptr;
        return 1;
    }

    width_ = width;
    height_ = height;
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    storage(GL_RENDERBUFFER, samples, kRgb8, width, height);
    glGenRenderbuffers(1, &depth_);
    glBindRenderbuffer(GL_RENDERBUFFER, depth_);
    storage(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT16, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!complete) {
        LogFailed("create multisample frame buffer.");
        Destroy();
        glGetError();
        return 1;
    }
    return samples;
}

void MultisampleBuffer::Destroy() {
    if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
    if (depth_ != 0) glDeleteRenderbuffers(1, &depth_);
    if (colour_ != 0) glDeleteRenderbuffers(1, &colour_);
    framebuffer_ = depth_ = colour_ = 0;
    blit_ = nullptr;
}

void MultisampleBuffer::Bind() const { glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_); }

void MultisampleBuffer::ResolveToWindow() const {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindFramebuffer(kReadFramebuffer, framebuffer_);
    glBindFramebuffer(kDrawFramebuffer, 0);
    blit_(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(kReadFramebuffer, 0);
    glBindFramebuffer(kDrawFramebuffer, 0);
}
