// Starting and stopping the graphics side once the GL context exists.
#pragma once

#include <cstdint>

struct Allocator;

// Clears the state cache, the texture-memory total and the render counters,
// stores the screen size, reads which compressed formats the driver takes,
// empties the image atlas, builds the Std2d program and leaves GL in the engine's start state: depth
// test off, depth writes on, GL_LESS, no culling, blend mode 0, texture unit
// 0. False when the Std2d program could not be built.
bool GraphicsInit(int32_t width, int32_t height, Allocator* allocator);
// Deletes the Std2d program, frees the image atlas's pages and clears the
// state cache. Textures still alive are left to their owners; images in the
// atlas must be released first.
void GraphicsShutdown();
