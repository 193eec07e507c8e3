// Reads an effect file image: the "SKFE" header with its resource path lists
// and the node tree that follows. The reader is bounded by the image's size
// and refuses anything it cannot read safely: versions outside 0 to 7,
// counts and lengths that do not fit, paths that are not well-formed UTF-16,
// and every refusal of the node reader. Bytes after the tree are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Fx {

class Effect;
class EffectNode;

constexpr uint32_t kEffectMagic = 0x45464B53;  // "SKFE" read little-endian
constexpr int32_t kEffectVersionMax = 7;
// Paths are joined into 512 UTF-16 units with their NUL.
constexpr int kMaxPathUnits = 511;

struct EffectContent {
    int32_t version = 0;
    std::vector<std::string> texturePaths, soundPaths, modelPaths;  // UTF-8
    float magnification = 1.0f;
    std::unique_ptr<EffectNode> root;
    size_t trailingBytes = 0;
};

struct EffectFileError {
    std::string reason;
    size_t offset = 0;
};

// `effect` is what the nodes point back to; `coordinateSystem` the manager's.
bool ReadEffectFile(const uint8_t* data, size_t size, Effect* effect, int32_t coordinateSystem,
                    EffectContent& out, EffectFileError& error);

// The folder path, then a slash unless it is empty or already ends in one
// (or a backslash), then the path. Empty when the result would not fit the
// 511 units of UTF-16 the path is joined into.
std::string JoinEffectPath(const char* materialPath, const std::string& path);
// Everything before the last slash or backslash; empty when there is none.
std::string EffectPathFolder(const char* path);

}  // namespace Fx
