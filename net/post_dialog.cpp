// The post dialog's logic over the toolkit's dialog, the frame capture and
// the engine's JPEG encoder.
#include "net/post_dialog.h"

#include <cstdint>

#include "app/frame_capture.h"
#include "core/text_utf.h"
#include "fs/stream.h"
#include "gfx/image.h"
#include "gfx/image_file.h"
#include "net/detached_work.h"
#include "net/microblog_ui.h"
#include "net/oauth_credentials.h"
#include "platform/debug_log.h"
#include "platform/microblog_dialogs.h"

std::string ScreenshotFileName(time_t when) {
    struct tm local;
    char name[64];
    if (localtime_r(&when, &local) == nullptr || strftime(name, sizeof name, "QM%y%m%d%H%M%S.jpg", &local) == 0) {
        return "QM.jpg";
    }
    return name;
}

bool EncodeScreenshotJpeg(const Image* frame, std::string* jpeg) {
    if (frame == nullptr || frame->type != kPixelRgba8888) {
        LogError("screenshot: no RGBA frame to encode");
        return false;
    }
    // A JPEG of the frame is far smaller than its raw pixels; a buffer of that
    // size that still overflows makes the encode fail instead of cutting it.
    uint64_t capacity = uint64_t(frame->width) * uint64_t(frame->height) * 4 + 4096;
    if (capacity > UINT32_MAX) {
        LogError("screenshot: %d x %d is too large to encode", frame->width, frame->height);
        return false;
    }
    std::string buffer(static_cast<size_t>(capacity), '\0');
    Stream* stream = MemoryStream(&buffer[0], static_cast<uint32_t>(capacity), false, nullptr);
    if (stream == nullptr) {
        LogError("screenshot: no memory stream for the JPEG");
        return false;
    }
    int encoded = EncodeJpeg(stream, frame, true, nullptr);
    uint32_t size = stream->Tell();
    stream->Release();
    if (encoded == 0 || size == 0) {
        LogError("screenshot: JPEG encoding failed");
        return false;
    }
    buffer.resize(size);
    *jpeg = std::move(buffer);
    return true;
}

namespace PostDialog {

bool Post(const std::string& text, bool attach, const Image* screenshot) {
    if (text.empty()) return false;
    std::string status = text.substr(0, Utf8PrefixLength(text.data(), text.size(), kMaxTextBytes));
    std::string jpeg;
    bool withImage = attach && EncodeScreenshotJpeg(screenshot, &jpeg);
    if (attach && !withImage) DebugPrint("micro-blog: posting the text without the screenshot");
    std::string fileName = ScreenshotFileName(time(nullptr));
    // Copies: the thread must not read what the main thread may change meanwhile.
    auto send = [credentials = GetOAuthCredentials(), service = CurrentMicroblogUi().service, status, withImage,
                 fileName, jpeg = std::move(jpeg)] {
        if (withImage) {
            MicroblogApi::UpdateStatusWithMedia(credentials, status, fileName, jpeg.data(), jpeg.size(), service);
        } else {
            MicroblogApi::UpdateStatus(credentials, status, service);
        }
    };
    return RunDetached("a micro-blog post", std::move(send));
}

void ShowWith(const Image* screenshot) {
    MicroblogUi& ui = CurrentMicroblogUi();
    std::string text;
    bool attach = false;
    if (!ui.editPost || !ui.editPost(kPostPrefill, &text, &attach)) return;
    // The outcome is not shown; its log line tells it.
    Post(text, attach, screenshot);
}

void Show() {
    if (!HasAccessTokenSecret()) return;
    if (!RequestFrameCapture(ShowWith)) DebugPrint("micro-blog: the post dialog is already on its way");
}

}  // namespace PostDialog
