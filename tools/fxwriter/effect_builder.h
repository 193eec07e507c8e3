// Builds effect trees for tests and the sample's effects: nodes of any type
// are added under a parent with plain defaults (one instance living 60
// frames, placed, turned and scaled by nothing), then their records are
// filled in directly and the whole written at the header's version.
#pragma once

#include <memory>
#include <vector>

#include "fx/effect_node.h"
#include "skfe_writer.h"

namespace FxWriter {

class EffectBuilder {
public:
    explicit EffectBuilder(int32_t version = 7) { header.version = version; }

    template <typename Node = Fx::EffectNode>
    Node& Add(Fx::EffectNode& parent) {
        auto node = std::make_unique<Node>(nullptr);
        SetDefaults(*node);
        Node& added = *node;
        parent.children.push_back(std::move(node));
        return added;
    }
    template <typename Node = Fx::EffectNode>
    Node& Add() {
        return Add<Node>(root);
    }
    // A node of a type code (plain for codes that are no node type).
    Fx::EffectNode& Add(Fx::EffectNode& parent, int32_t type);

    std::vector<uint8_t> Build() const { return WriteEffect(header, root); }

    EffectHeader header;
    Fx::EffectNodeRoot root{nullptr};

private:
    static void SetDefaults(Fx::EffectNode& node);
};

}  // namespace FxWriter
