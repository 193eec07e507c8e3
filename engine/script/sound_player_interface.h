// The script class SoundPlayer (RegisterScriptInterfaces registers it).
#pragma once

void RegisterSoundPlayerClass();
