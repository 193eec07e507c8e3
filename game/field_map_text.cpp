// Reading and repairing the map text.
#include "game/field_map_text.h"

#include <cstdlib>
#include <cstring>

#include "core/string_util.h"
#include "fs/stream.h"
#include "platform/debug_log.h"

namespace {

constexpr size_t kMaxSplitFields = 64;

// One warning per kind of repair and map.
struct RepairLog {
    const char* path;
    bool height = false, shape = false, name = false, truncated = false;

    void Once(bool* done, const char* what, int32_t value) {
        if (*done) return;
        *done = true;
        LogWarning("%s: %s (%d).", path, what, value);
    }
};

// Reads a line into kMapLineSize + 2 bytes; at the end of the data the line
// is empty and `ended` is set. A longer line is cut to kMapLineSize, so it
// still counts as one line.
void NextLine(Stream* stream, char* line, bool* ended) {
    if (stream->State() != kStreamHasData) *ended = true;
    if (stream->ReadLine(line, kMapLineSize + 2, true) > kMapLineSize) line[kMapLineSize] = '\0';
}

void ReadCell(char* line, int32_t* fields, RepairLog* log) {
    char* pieces[kMaxSplitFields];
    const size_t count = SplitString(line, ',', pieces, kMaxSplitFields);
    for (size_t i = 0; i < kMapFields; ++i) fields[i] = i < count ? ParseMapInt(pieces[i]) : 0;

    int32_t& height = fields[kMapHeight];
    if (height < 0 || height > kFieldMaxLevel) {
        log->Once(&log->height, "height out of 0..19", height);
        height = height < 0 ? 0 : kFieldMaxLevel;
    }
    int32_t& shape = fields[kMapShape];
    if (shape < 0 || shape % 20 > 12 || shape / 20 > kFieldMaxLevel) {
        log->Once(&log->shape, "shape outside the corner table", shape);
        const int32_t rise = shape < 0 ? 0 : shape / 20 > kFieldMaxLevel ? kFieldMaxLevel : shape / 20;
        const int32_t row = shape < 0 || shape % 20 > 12 ? 0 : shape % 20;
        shape = rise * 20 + row;
    }
}

}  // namespace

int32_t ParseMapInt(const char* text) {
    const long long value = strtoll(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool ReadMapText(Stream* stream, const char* path, MapText* out) {
    *out = MapText{};
    RepairLog log{path};
    bool ended = false;
    char line[kMapLineSize + 2];

    NextLine(stream, line, &ended);
    if (ParseMapInt(line) != kMapVersion) {
        LogError("Map data version is not match.");
        return false;
    }
    for (std::string& name : out->modelNames) {
        NextLine(stream, line, &ended);
        if (strlen(line) > kMapModelNameMax) {
            log.Once(&log.name, "model name too long", static_cast<int32_t>(strlen(line)));
            continue;
        }
        name = line;
    }
    NextLine(stream, line, &ended);
    char* pieces[kMaxSplitFields];
    const size_t count = SplitString(line, ',', pieces, kMaxSplitFields);
    const int32_t w = count > 0 ? ParseMapInt(pieces[0]) : 0;
    const int32_t d = count > 1 ? ParseMapInt(pieces[1]) : 0;
    if (w < 1 || d < 1 || w > kFieldMaxWidth || int64_t{w} * d > kFieldMaxCells) {
        LogError("%s: map size %d x %d is out of range.", path, w, d);
        return false;
    }
    out->width = w;
    out->depth = d;
    out->cells.assign(static_cast<size_t>(w) * d * kMapFields, 0);
    NextLine(stream, line, &ended);  // not used

    const int32_t blockLines = w > kMapRowBlock ? w : kMapRowBlock;
    for (int32_t row = 0; row < d; ++row) {
        for (int32_t i = 0; i < blockLines; ++i) {
            NextLine(stream, line, &ended);
            if (i < w) ReadCell(line, &out->cells[(static_cast<size_t>(row) * w + i) * kMapFields], &log);
        }
    }
    if (ended) log.Once(&log.truncated, "map data ends early; the missing cells are holes", d);
    return true;
}
