// Copies of the finished frame for screenshots. The copy is read from
// framebuffer 0 at the end of a frame, before the swap: after the swap the
// back buffer's content is undefined, so reading it later (from a key or a
// dialog handler) could give garbage or an older frame.
#pragma once

#include <functional>

struct Image;

// Receives the frame (null when it could not be read) after the swap, so
// the picture is already on screen; the image is freed when it returns.
using FrameCaptureHandler = std::function<void(const Image* frame)>;

// Asks the frame loop for a copy of the next finished frame. False (and the
// handler dropped) when a request is already waiting.
bool RequestFrameCapture(FrameCaptureHandler handler);
bool FrameCapturePending();

// The frame loop's side: read the frame when asked, then hand it over.
void CapturePendingFrame(int width, int height);
void DeliverCapturedFrame();

// The pixels of framebuffer 0 from (0, 0) as a width x height RGBA8 image
// (type 0) on the default heap, rows as GL gives them: the bottom row first.
// Null (with a log line) on a GL error or when memory runs out.
Image* ReadFramebufferImage(int width, int height);
