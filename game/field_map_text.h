// The map text of the battle field, read and checked apart from any GL work
// so that every malformed map can be tried cheaply. Layout, one item a line:
// the version 102; twenty object-model names (slots 1..20, empty = none);
// "W,D"; one ignored line; then D row blocks of max(W, 24) lines, the first
// W of them cell lines "height,shape,blocked,slot,yaw,scaleExp,lift,chip".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/field.h"

struct Stream;

constexpr int32_t kMapVersion = 102;
constexpr uint32_t kMapLineSize = 2048;
constexpr int32_t kMapRowBlock = 24;
constexpr size_t kMapModelNameMax = kFieldNameSize - 5;  // behind "3do/", with the NUL

enum MapCellField { kMapHeight, kMapShape, kMapBlocked, kMapSlot, kMapYaw, kMapScale, kMapLift, kMapChip, kMapFields };

struct MapText {
    std::string modelNames[kFieldModelSlots];  // empty = no model (also for refused names)
    int32_t width = 0;
    int32_t depth = 0;
    std::vector<int32_t> cells;  // kMapFields values per cell, row by row
};

// Reads the map text. False, with one log line naming `path`, for a wrong
// version or a size outside the field's limits. Values are made safe on the
// way in, each kind of repair logged once: heights held to 0..19, shapes
// outside the corner table made flat, rises held to 0..19, over-long model
// names refused; missing fields and lines read as 0.
bool ReadMapText(Stream* stream, const char* path, MapText* out);

// The C library's decimal reading (leading blanks and digits, 0 when none),
// held to the int32 range instead of overflowing.
int32_t ParseMapInt(const char* text);
