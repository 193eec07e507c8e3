// The LayerWrapper head shared by the text box, text sprite and tile classes.
#include "script/layer_wrapper.h"

#include <new>

#include "core/allocator.h"

namespace {

constexpr uint32_t kAlphaMask = 0xFF000000u;

uint32_t WithAlpha(uint32_t colour, uint32_t alpha) { return (colour & ~kAlphaMask) | alpha << 24; }

}  // namespace

LayerWrapper* NewLayerWrapper(Allocator* allocator) {
    void* block = Alloc(allocator, sizeof(LayerWrapper), 0);
    if (block == nullptr) return nullptr;
    auto* wrapper = new (block) LayerWrapper{};
    wrapper->colour = 0xFFFFFFFFu;
    wrapper->fade = 1.0f;
    return wrapper;
}

void FreeLayerWrapper(LayerWrapper* wrapper) {
    if (wrapper == nullptr) return;
    RemoveLayerFromList(&wrapper->node);
    wrapper->~LayerWrapper();
    Allocator::Free(wrapper);
}

uint32_t LayerWrapperObjectColour(const LayerWrapper* wrapper) {
    return WithAlpha(wrapper->colour, ClampAlphaByte(static_cast<float>(wrapper->colour >> 24) * wrapper->fade));
}

void SetLayerWrapperAlpha(LayerWrapper* wrapper, float alpha) {
    wrapper->colour = WithAlpha(wrapper->colour, ClampAlphaByte(alpha * 255.0f));
}

float GetLayerWrapperAlpha(const LayerWrapper* wrapper) {
    return static_cast<float>(wrapper->colour >> 24) * (1.0f / 255.0f);
}

void SetLayerWrapperZ(LayerWrapper* wrapper, int32_t z) {
    RemoveLayerFromList(&wrapper->node);
    wrapper->node.z = z;
    AddLayerToList(&wrapper->node);
}

bool LayerWrapperHitTest(const LayerWrapper* wrapper, int32_t x, int32_t y, int32_t width, int32_t height, int32_t px,
                         int32_t py) {
    // In 64 bits, so no size or margin from a script can overflow.
    const int64_t halfW = (int64_t{width} + wrapper->hitExtraWidth) >> 1;
    const int64_t halfH = (int64_t{height} + wrapper->hitExtraHeight) >> 1;
    return x - halfW <= px && px < x + halfW && y - halfH <= py && py < y + halfH;
}
