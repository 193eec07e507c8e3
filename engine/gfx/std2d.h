// The Std2d program that draws every 2D vertex: a fixed orthographic
// projection with (0, 0) at the top-left pixel and y down, texels scaled to
// texture coordinates by the bound texture's size, and the vertex colour
// modulating the texel. Other programs with the same attribute and uniform
// names are bound through BindStd2dProgram too. Draws set no blend, texture
// or cull state; callers set it through GlState first.
#pragma once

#include <cstdint>

#include "gfx/quad.h"

struct Allocator;

// The program's vertex text, shared with programs that only change the fragment side.
extern const char* const kStd2dVertexSource;
extern const char* const kStd2dFragmentSource;

// Builds the default program and the projection for the current screen size.
// False (and no program) when the build fails; draws then do nothing.
bool Std2dInit(Allocator* allocator);
// Deletes the default program.
void Std2dShutdown();
int32_t GetStd2dDefaultProgram();

// Makes `program` the Std2d program: looks up its attributes and uniforms,
// uses it, uploads the projection and enables the attribute arrays.
void BindStd2dProgram(int32_t program);
void RebindStd2dProgram();
// Disables the attribute arrays and unbinds the program; call it before
// drawing from vertex buffers.
void UnbindStd2dProgram();

// Sets the texture uniforms for the texture cached on the active unit.
void SetStd2dTexture();

void DrawStd2dTriangles(uint32_t triangleCount, const QuadVertex* vertices, const uint16_t* indices);
void DrawStd2dTriangleStrip(uint32_t triangleCount, const QuadVertex* vertices, const uint16_t* indices);
// One quad from a destination rectangle, a texel rectangle and the colours of
// its corners (top-left, bottom-left, top-right, bottom-right).
void DrawStd2dRect(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t tw, int32_t th,
                   uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3);
void DrawStd2dRectColor(int32_t x, int32_t y, int32_t w, int32_t h, int32_t u, int32_t v, int32_t tw, int32_t th,
                        uint32_t color);
