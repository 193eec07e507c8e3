// Writes effect files ("SKFE") from a node tree in the runtime's own node
// types, in the form of any format version 0 to 7: fields a version does not
// have are left out, so a tree written at version 2 reads back with an
// all-zero renderer-common block. Lengths are written exact, and the spare
// word before each vector curve holds the curve records' byte length.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fx/effect_node.h"

namespace FxWriter {

struct EffectHeader {
    int32_t version = 7;
    std::vector<std::string> texturePaths, soundPaths, modelPaths;  // UTF-8
    float magnification = 1.0f;
};

std::vector<uint8_t> WriteEffect(const EffectHeader& header, const Fx::EffectNode& root);

}  // namespace FxWriter
