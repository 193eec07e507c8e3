// The pending batch of 2D quads: one growable vertex array, one shared index
// list for the largest batch, and the state the pending quads share.
#include "gfx/std2d_batch.h"

#include <cstring>
#include <vector>

#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/std2d.h"

namespace {

// Everything that has to be equal for two quads to go out in one draw.
struct BatchKey {
    Std2dDrawState state;
    int32_t cullMode;
    int32_t program;

    bool operator==(const BatchKey& o) const {
        return state.texture == o.state.texture && state.wrap == o.state.wrap && state.filter == o.state.filter &&
               state.blend == o.state.blend && cullMode == o.cullMode && program == o.program;
    }
};

bool gEnabled = true;
int gDepth = 0;
BatchKey gPendingKey{};
std::vector<QuadVertex> gPending;  // four vertices per quad

// Indices k, k+1, k+2, k+2, k+1, k+3 for every quad a draw can hold: the
// triangles of each quad's strip, with the strip's winding.
const uint16_t* SharedIndices() {
    static const std::vector<uint16_t> indices = [] {
        std::vector<uint16_t> list(size_t{kMaxBatchQuads} * 6);
        for (uint32_t q = 0; q < kMaxBatchQuads; ++q) {
            const uint16_t k = static_cast<uint16_t>(q * 4);
            const uint16_t six[6] = {k, static_cast<uint16_t>(k + 1), static_cast<uint16_t>(k + 2),
                                     static_cast<uint16_t>(k + 2), static_cast<uint16_t>(k + 1),
                                     static_cast<uint16_t>(k + 3)};
            memcpy(&list[size_t{q} * 6], six, sizeof six);
        }
        return list;
    }();
    return indices.data();
}

void ApplyState(const Std2dDrawState& state) {
    GlState::SetTexture(state.texture, state.wrap, state.filter);
    GlState::SetBlendMode(state.blend);
}

// Draws quads with the state already applied, in pieces the indices cover.
void DrawNow(const QuadVertex* quads, uint32_t quadCount) {
    if (quadCount == 1) {
        DrawStd2dTriangleStrip(2, quads, nullptr);
        return;
    }
    while (quadCount > 0) {
        const uint32_t piece = quadCount < kMaxBatchQuads ? quadCount : kMaxBatchQuads;
        DrawStd2dTriangles(piece * 2, quads, SharedIndices());
        quads += size_t{piece} * 4;
        quadCount -= piece;
    }
}

}  // namespace

void FlushStd2dBatch() {
    if (gPending.empty()) return;
    ApplyState(gPendingKey.state);
    DrawNow(gPending.data(), static_cast<uint32_t>(gPending.size() / 4));
    gPending.clear();
}

void DrawStd2dQuads(const Std2dDrawState& state, const QuadVertex* quads, uint32_t quadCount) {
    if (quadCount == 0) return;
    if (gDepth == 0 || !gEnabled) {
        ApplyState(state);
        DrawNow(quads, quadCount);
        return;
    }
    const BatchKey key{state, GlState::GetCullMode(), GlGetCurrentProgram()};
    const size_t pendingQuads = gPending.size() / 4;
    if (!(key == gPendingKey) || pendingQuads + quadCount > kMaxBatchQuads) FlushStd2dBatch();
    gPendingKey = key;
    gPending.insert(gPending.end(), quads, quads + size_t{quadCount} * 4);
}

void BeginStd2dBatch() { ++gDepth; }

void EndStd2dBatch() {
    FlushStd2dBatch();
    if (gDepth > 0) --gDepth;
}

void SetStd2dBatchingEnabled(bool enabled) {
    FlushStd2dBatch();
    gEnabled = enabled;
}

bool IsStd2dBatchingEnabled() { return gEnabled; }
