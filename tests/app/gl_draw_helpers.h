// A flat-coloured triangle for tests that need partly covered edge pixels.
#pragma once

#include <GLES2/gl2.h>

// Draws a triangle in clip coordinates (x0,y0)-(x1,y1)-(x2,y2) in one colour.
void DrawFlatTriangle(const float corners[6], float r, float g, float b);
