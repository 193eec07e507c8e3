// Registration of the engine's whole script API into the one VM, and its
// counterpart at shutdown.
#include "platform/debug_log.h"
#include "script/engine_tables.h"
#include "script/file_classes.h"
#include "script/image_font_text_interfaces.h"
#include "script/layer_interface.h"
#include "script/script_host.h"
#include "script/sound_player_interface.h"
#include "script/text_tile_interfaces.h"

void RegisterScriptInterfaces() {
    if (GetScriptVM() == nullptr) {
        LogError("script: no VM to register the engine interfaces into");
        return;
    }
    RegisterInputInterface();
    RegisterFileSystemClasses();
    RegisterFileClass();
    RegisterSoundPlayerClass();
    RegisterFontInterface();
    RegisterLayerInterface();
    RegisterImageInterface();
    RegisterTextBoxInterface();
    RegisterTextSpriteInterface();
    RegisterTileInterface();
    RegisterSysTable();
    RegisterUtlTable();
}

void ShutdownScriptInterfaces() { FreeGlobalLayerList(); }
