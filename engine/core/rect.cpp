// Rectangle clipping for sprites and text boxes.
#include "core/rect.h"

void IntersectRect(const IntRect& clip, IntRect* rect) {
    if (rect->left < clip.left) rect->left = clip.left;
    if (rect->top < clip.top) rect->top = clip.top;
    if (rect->right > clip.right) rect->right = clip.right;
    if (rect->bottom > clip.bottom) rect->bottom = clip.bottom;
    if (rect->left >= rect->right || rect->top >= rect->bottom) *rect = IntRect{0, 0, 0, 0};
}
