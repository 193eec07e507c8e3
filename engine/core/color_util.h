// Packed RGBA8 colours: red in the lowest byte, alpha in the top byte, as the
// vertex and layer colours are laid out.
#pragma once

#include <cstdint>

// Each component above 255 becomes 255.
uint32_t MakeColor(uint32_t r, uint32_t g, uint32_t b, uint32_t a);
// Red, green and blue times `factor`, rounded to nearest (halves up) and clamped to 0..255;
// alpha is kept.
uint32_t ScaleColorRgb(uint32_t color, float factor);
// Per channel (a x b) / 255, truncated.
uint32_t MultiplyColor(uint32_t a, uint32_t b);
