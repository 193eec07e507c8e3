// The model and map readers under a fuzzer. Bytes that begin like a model
// go through the model parser, whose every range must then hold; anything
// else is read as a map text, and a map that loads is searched and picked
// like a battle would.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fs/stream.h"
#include "game/field_map_text.h"
#include "gfx/model_file.h"
#include "platform/debug_log.h"
#include "sample/tools/field_writers.h"
#include "tests/fuzz/fuzz_seeds.h"

namespace {

void Check(bool condition) {
    if (!condition) abort();
}

void FuzzModel(const std::vector<uint8_t>& bytes) {
    ModelFileData data;
    if (ParseModelFile(bytes.data(), bytes.size(), &data) != ModelFileResult::kOk) return;
    const uint8_t* end = bytes.data() + bytes.size();
    Check(data.vertexData + data.vertexBytes <= end && data.indexData + data.indexBytes <= end);
    volatile uint32_t sum = 0;
    for (uint32_t i = 0; i < data.vertexBytes; ++i) sum = sum + data.vertexData[i];
    for (const ModelFileMaterial& m : data.materials) {
        Check(uint64_t{m.firstIndex} + m.indexCount <= data.indexBytes / 2);
        Check(memchr(m.textureName, 0, sizeof m.textureName) != nullptr);
    }
}

void FuzzMap(std::vector<uint8_t>& bytes) {
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    MapText text;
    const bool read = ReadMapText(stream, "fuzz", &text);
    stream->Release();
    if (!read) return;
    const float light[3] = {0, 1, 0};
    QmField field(light);
    Check(field.AllocCells(text.width, text.depth));
    for (int32_t i = 0; i < text.width * text.depth; ++i) {
        const int32_t* t = &text.cells[static_cast<size_t>(i) * kMapFields];
        field.cells[i].height = t[kMapHeight];
        field.cells[i].shape = t[kMapShape];
        field.cells[i].walkable = t[kMapBlocked] == 0;
        field.cells[i].chip = t[kMapChip];
    }
    field.FinishCells();
    const int32_t x = text.width / 2, z = text.depth / 2;
    int32_t route[3 * 600];
    for (int32_t flags : {int32_t{0}, int32_t{kRangeMovement}}) {
        field.FindRange(nullptr, x, z, 0, 12, 2, 0, flags);
        Check(field.GetRoute(0, 0, route, 600) <= 600);
    }
    const float origin[3] = {100, 400, -200}, dir[3] = {-0.2f, -1, 0.3f};
    float hit[3];
    field.PickCell(origin, dir, hit);
    volatile float sink = field.GetSurfaceHeight(0.5f, 0.5f) + field.GetHeightAt(x + 0.5f, z + 0.5f);
    (void)sink;
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
    E3d2Model model;
    model.stride = 16;
    model.attribs = {{10, 3, 0, 0}, {0, 0, 0, 0}, {4, 2, 12, 1}};
    for (int v = 0; v < 3; ++v) {
        PushFloats(&model.vertices, {float(v), 1, 0});
        model.vertices.insert(model.vertices.end(), {1, 0, 2, 0});
    }
    model.indices = {0, 1, 2};
    E3d2Material material;
    material.indexCount = 3, material.texture = "bark.png";
    model.materials = {material, material};
    std::vector<MapCell> cells(30);
    for (size_t i = 0; i < cells.size(); ++i) cells[i].height = 1 + i % 4, cells[i].shape = (i * 7) % 53, cells[i].blocked = i % 5 == 0;
    return {WriteE3d2(model), WriteE3do({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0}, {0, 1, 1}),
            WriteMapText({"box.e3d", "tree.e3d"}, 6, 5, cells)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        SetDebugSink([](const char*) {});
        return true;
    }();
    (void)quiet;
    if (size > 1u << 18) return 0;
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so over-reads are caught
    if (size >= 3 && memcmp(data, "E3D", 3) == 0) FuzzModel(bytes);
    else FuzzMap(bytes);
    return 0;
}
