// Effect files for the tests and the benchmark: every field distinct, variants 0 to 6 use every parameter kind.
#pragma once

#include <cstdint>
#include <vector>

#include "effect_builder.h"

namespace FxTest {

void FillNode(Fx::EffectNode& node, int variant);

// A header with two paths of each kind and magnification 2.5.
void FillHeader(FxWriter::EffectHeader& header);

// Root -> one node of `type` -> one plain child, at `version`.
std::vector<uint8_t> OneNodeEffect(int32_t type, int variant, int32_t version);

// Root -> every node type, each with children of other types, at `version`; `playable`: all play in 40 frames.
std::vector<uint8_t> RichEffect(int32_t version, int variant, bool playable = false);

constexpr int32_t kNodeTypes[] = {Fx::kNodePlain, Fx::kNodeSprite, Fx::kNodeRibbon, Fx::kNodeRing, Fx::kNodeModel};

}  // namespace FxTest
