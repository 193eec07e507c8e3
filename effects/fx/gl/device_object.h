// The base of every GL object of the effect renderer: it keeps the renderer
// alive while it exists (the renderer's own buffers excepted, so that the
// renderer is not kept alive by what it owns).
#pragma once

namespace FxRenderer {

class Renderer;

class DeviceObject {
public:
    DeviceObject(Renderer* renderer, bool holdsReference = true);
    virtual ~DeviceObject();
    DeviceObject(const DeviceObject&) = delete;
    DeviceObject& operator=(const DeviceObject&) = delete;

    // GL objects of ES 2.0 on Linux survive; nothing to drop or rebuild.
    virtual void OnLostDevice() {}
    virtual void OnResetDevice() {}

    Renderer* GetRenderer() const { return renderer_; }

private:
    Renderer* renderer_;
    bool holdsReference_;
};

}  // namespace FxRenderer
