// The model and map readers under a fuzzer: a parsed model's ranges must hold,
// a map text's values must come out repaired.
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

void Check(bool condition) { if (!condition) abort(); }

void FuzzModel(const std::vector<uint8_t>& bytes) {
    ModelFileData data;
    if (ParseModelFile(bytes.data(), bytes.size(), &data) != ModelFileResult::kOk) return;
    const uint8_t* end = bytes.data() + bytes.size();
    Check(data.vertexData + data.vertexBytes <= end && data.indexData + data.indexBytes <= end);
    for (const ModelFileMaterial& m : data.materials)
        Check(uint64_t{m.firstIndex} + m.indexCount <= data.indexBytes / 2 && memchr(m.textureName, 0, 64));
}

void FuzzMap(std::vector<uint8_t>& bytes) {
    Stream* stream = MemoryStream(bytes.data(), static_cast<uint32_t>(bytes.size()), false, nullptr);
    MapText text;
    const bool read = ReadMapText(stream, "fuzz", &text);
    stream->Release();
    if (!read) return;
    for (size_t i = 0; i < text.cells.size(); i += kMapFields)  // every value repaired into the field's ranges
        Check(text.cells[i] >= 0 && text.cells[i] <= 19 && text.cells[i + 1] >= 0 && text.cells[i + 1] % 20 <= 12);
    Check(text.width >= 1 && text.width <= 99 && text.width * text.depth <= 576);
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
    E3d2Model model;
    model.stride = 16;
    model.attribs = {{10, 3, 0, 0}, {0, 0, 0, 0}, {4, 2, 12, 1}};
    for (float v : {0.0f, 1.0f, 2.0f}) PushFloats(&model.vertices, {v, 1, 0, 0});
    model.indices = {0, 1, 2};
    model.materials = {E3d2Material{{1, 1, 1, 1}, 0, 3, "bark.png"}, E3d2Material{{1, 1, 1, 1}, 1, 2, ""}};
    std::vector<MapCell> cells(30);
    for (size_t i = 0; i < cells.size(); ++i) cells[i] = {int32_t(1 + i % 4), int32_t(i * 7 % 53), i % 5 == 0};
    return {WriteE3d2(model), WriteE3do({0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0}, {0, 1, 1}),
            WriteMapText({"box.e3d", "tree.e3d"}, 6, 5, cells)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetDebugSink([](const char*) {});
    if (size > 1u << 18) return 0;
    std::vector<uint8_t> bytes(data, data + size);  // exact size, so over-reads are caught
    if (size >= 3 && memcmp(data, "E3D", 3) == 0) FuzzModel(bytes);
    else FuzzMap(bytes);
    return 0;
}
