// The script classes ImageInterface (a picture loaded in the background into
// a texture that layers show), FontInterface (a font that text boxes draw
// with) and TextBoxInterface (a message-window text box in the global layer
// list). Images and fonts are reference-counted: a layer or a text box keeps
// its own reference, so a script may drop the instance it made them from.
#pragma once

#include <cstdint>

// Each registers its class into the VM; RegisterScriptInterfaces calls them.
void RegisterFontInterface();
void RegisterImageInterface();
void RegisterTextBoxInterface();

// The release hook of TextBoxInterface instances: unlinks the layer, destroys
// the text box (taking its glyph work off the worker first) and frees the head.
int64_t ReleaseTextBoxLayer(void* wrapper, int64_t size);
