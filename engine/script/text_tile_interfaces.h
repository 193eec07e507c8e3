// The script classes TextSpriteInterface (a bitmap-font text sprite) and
// TileInterface (a box background from one or two images) in the global
// layer list. Both keep their own references to the images they show.
#pragma once

#include <cstdint>

// Each registers its class into the VM; RegisterScriptInterfaces calls them.
void RegisterTextSpriteInterface();
void RegisterTileInterface();

// The release hooks: unlink the layer, destroy the object, free the head.
int64_t ReleaseTextSpriteLayer(void* wrapper, int64_t size);
int64_t ReleaseTileLayer(void* wrapper, int64_t size);
