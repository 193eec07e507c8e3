// Ray tests for picking field cells under the mouse and for the rain effect.
#pragma once

// Intersects the ray origin + t x direction (t >= 0) with the plane of the
// triangle a, b, c. Returns 1 when the hit lies inside the triangle or on an
// edge; either face counts. The plane hit is written to `outHit` whenever it
// exists, even outside the triangle. A ray parallel to the plane, a degenerate
// triangle or a plane behind the origin gives 0 and leaves `outHit` alone.
int IntersectRayTriangle(const float origin[3], const float direction[3], const float a[3],
                         const float b[3], const float c[3], float outHit[3]);

// Tests the quad p0..p3 as two triangles: (p0, p1, p2) and (p3, p2, p1), or
// with `otherDiagonal` (p0, p1, p3) and (p3, p2, p0). Returns 1 at the first
// triangle hit, with its point in `outHit`.
int IntersectRayQuad(const float origin[3], const float direction[3], const float p0[3],
                     const float p1[3], const float p2[3], const float p3[3], int otherDiagonal,
                     float outHit[3]);
