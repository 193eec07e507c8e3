// The battle's range and route searches on a 24 x 24 map of terraces joined
// by ramps, with blocked cells and pits, beside a plain breadth-first flood
// of the same map (walkable cells, steps within the jump) as the reference:
//   FieldMoveRange      movement range of 8 steps from the middle
//   FieldCornerRoute    movement search from one corner and the route to the other,
//                       with a budget of 50 and of 60 steps
//   FieldTurnOfSixUnits what a turn asks for six units: movement range, a
//                       route, and an attack range by the plain flood
//   ReferenceBfsFlood   the breadth-first flood over the whole map
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "game/field.h"

namespace {

constexpr int kSize = 24;
constexpr int kJump = 2;

std::unique_ptr<QmField> BenchMap() {
    const float light[3] = {0, 1, 0};
    auto field = std::make_unique<QmField>(light);
    field->AllocCells(kSize, kSize);
    for (int z = 0; z < kSize; ++z) {
        for (int x = 0; x < kSize; ++x) {
            QmFieldCell& c = field->cells[z * kSize + x];
            c.height = 1 + x / 4 + (z > 12 ? 1 : 0);
            c.shape = x % 4 == 0 && x > 0 ? 3 : 0;  // ramps up towards +x join the terraces
            c.walkable = (x * 7 + z * 3) % 11 != 0;
            if ((x * 5 + z * 13) % 37 == 0) c.height = 0;  // pits
        }
    }
    for (int corner : {0, kSize * kSize - 1}) field->cells[corner].walkable = 1, field->cells[corner].height = 1;
    field->cells[kSize * kSize - 1].height = 7;
    field->FinishCells();
    return field;
}

int ReferenceFlood(const QmField& f, int ox, int oz, int maxSteps) {
    std::vector<int> steps(f.width * f.depth, -1), queue{oz * f.width + ox};
    steps[queue[0]] = 0;
    static const int kMoves[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (size_t head = 0; head < queue.size(); ++head) {
        const QmFieldCell& c = f.cells[queue[head]];
        if (steps[queue[head]] == maxSteps) continue;
        for (const auto& m : kMoves) {
            const QmFieldCell* n = f.GetCell(c.x + m[0], c.z + m[1]);
            if (!n || !n->walkable || steps[n->z * f.width + n->x] >= 0 || std::abs(n->height - c.height) > kJump) continue;
            steps[n->z * f.width + n->x] = steps[queue[head]] + 1;
            queue.push_back(n->z * f.width + n->x);
        }
    }
    return static_cast<int>(queue.size());
}

void FieldMoveRange(benchmark::State& state) {
    auto field = BenchMap();
    for (auto _ : state) {
        field->FindRange(nullptr, 12, 11, 0, 8, kJump, 0, kRangeMovement | kRangeNoPanels);
        benchmark::DoNotOptimize(field->cells[0].cost);
    }
}
BENCHMARK(FieldMoveRange)->Unit(benchmark::kMicrosecond);

void FieldCornerRoute(benchmark::State& state) {
    auto field = BenchMap();
    int32_t route[3 * 256];
    int32_t length = 0;
    for (auto _ : state) {
        field->FindRange(nullptr, 0, 0, 0, static_cast<int32_t>(state.range(0)), kJump, 0, kRangeMovement | kRangeNoPanels);
        length = field->GetRoute(kSize - 1, kSize - 1, route, 256);
        benchmark::DoNotOptimize(length);
    }
    state.counters["cells"] = length;
}
// Budgets of 50 steps (just enough for the 47-cell route) and 60.
BENCHMARK(FieldCornerRoute)->Arg(50)->Arg(60)->Unit(benchmark::kMicrosecond);

void FieldTurnOfSixUnits(benchmark::State& state) {
    auto field = BenchMap();
    const int units[6][2] = {{2, 2}, {20, 3}, {11, 12}, {5, 19}, {17, 17}, {22, 22}};
    int32_t route[3 * 256];
    for (auto _ : state) {
        for (const auto& u : units) {
            field->FindRange(nullptr, u[0], u[1], 0, 5, kJump, 0, kRangeMovement);
            benchmark::DoNotOptimize(field->GetRoute(u[0] + 3, u[1] - 2, route, 256));
            field->FindRange(nullptr, u[0], u[1], 1, 3, kJump, 1, 0);
        }
    }
}
BENCHMARK(FieldTurnOfSixUnits)->Unit(benchmark::kMicrosecond);

void ReferenceBfsFlood(benchmark::State& state) {
    auto field = BenchMap();
    for (auto _ : state) benchmark::DoNotOptimize(ReferenceFlood(*field, 12, 11, static_cast<int>(state.range(0))));
}
BENCHMARK(ReferenceBfsFlood)->Arg(8)->Arg(60)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
