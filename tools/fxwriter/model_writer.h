// Writes effect model files: version, second word, vertices, faces.
#pragma once

#include <cstdint>
#include <vector>

#include "fx/model.h"

namespace FxWriter {

std::vector<uint8_t> WriteModel(const Fx::Model& model);

}  // namespace FxWriter
