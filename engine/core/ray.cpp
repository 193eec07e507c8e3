// Ray against triangle by plane intersection and three edge-side tests.
#include "core/ray.h"

#include <cmath>

#include "core/fast_math.h"

namespace {

// Below this cosine between the ray and the plane normal the ray counts as
// parallel: t would be huge or undefined.
constexpr float kParallelCosine = 1e-6f;

void Sub(const float a[3], const float b[3], float out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = a[i] - b[i];
}

void Cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// dot(n, (p - from) x (to - from)) >= 0: p is on the inner side of the edge.
bool InsideEdge(const float n[3], const float p[3], const float from[3], const float to[3]) {
    float toP[3], edge[3], side[3];
    Sub(p, from, toP);
    Sub(to, from, edge);
    Cross(toP, edge, side);
    return Dot(n, side) >= 0.0f;
}

}  // namespace

int IntersectRayTriangle(const float origin[3], const float direction[3], const float a[3],
                         const float b[3], const float c[3], float outHit[3]) {
    float ca[3], ba[3], normal[3], n[3];
    Sub(c, a, ca);
    Sub(b, a, ba);
    Cross(ca, ba, normal);
    Vec3Normalize(normal, n);

    float facing = Dot(direction, n);
    float length = std::sqrt(Dot(direction, direction));
    if (!(std::fabs(facing) > kParallelCosine * length)) return 0;  // also a zero normal

    float toA[3];
    Sub(a, origin, toA);
    float t = Dot(toA, n) / facing;
    if (t < 0.0f) return 0;

    for (int i = 0; i < 3; ++i) outHit[i] = origin[i] + direction[i] * t;
    return InsideEdge(n, outHit, a, b) && InsideEdge(n, outHit, b, c) &&
                   InsideEdge(n, outHit, c, a)
               ? 1
               : 0;
}

int IntersectRayQuad(const float origin[3], const float direction[3], const float p0[3],
                     const float p1[3], const float p2[3], const float p3[3], int otherDiagonal,
                     float outHit[3]) {
    if (otherDiagonal == 0) {
        return IntersectRayTriangle(origin, direction, p0, p1, p2, outHit) ||
                       IntersectRayTriangle(origin, direction, p3, p2, p1, outHit)
                   ? 1
                   : 0;
    }
    return IntersectRayTriangle(origin, direction, p0, p1, p3, outHit) ||
                   IntersectRayTriangle(origin, direction, p3, p2, p0, outHit)
               ? 1
               : 0;
}
