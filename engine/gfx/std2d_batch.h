// Batched 2D drawing. While a batching pass is open (the layer list opens one
// for its whole walk), quads drawn with the same texture, filtering, blend
// mode, cull mode and program join one pending indexed draw; a quad with
// other state, a layer that draws by other means, or the end of the pass
// sends the pending draw out first, so the z order and the pixels are those
// of one draw per object. Outside a pass every call draws at once.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

#include "gfx/quad.h"

struct Texture;

// What a run of quads is drawn with; the state is applied through GlState
// when the quads go out.
struct Std2dDrawState {
    Texture* texture;  // null = untextured
    GLenum wrap;
    GLenum filter;
    int32_t blend;
};

// Draws `quadCount` quads (four vertices each, in QuadVertex corner order),
// or queues them in the open pass.
void DrawStd2dQuads(const Std2dDrawState& state, const QuadVertex* quads, uint32_t quadCount);

// Opens a pass (passes nest). Nothing is queued while batching is disabled.
void BeginStd2dBatch();
// Sends the pending quads and closes one level of the pass.
void EndStd2dBatch();
// Sends the pending quads now; call before drawing with anything else.
void FlushStd2dBatch();

// On by default. Off gives one draw call per object, for comparisons.
void SetStd2dBatchingEnabled(bool enabled);
bool IsStd2dBatchingEnabled();
