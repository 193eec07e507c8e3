// The engine's script API: the tables Sys and Utl, and the registration of
// every engine script interface into the one VM.
#pragma once

struct FsMgr;

// The movie player behind Utl.MoviePlay, MovieStop and MovieIsPlaying. Any
// hook may be left null: MovieIsPlaying is then false and the other two do
// nothing.
struct ScriptMovieHooks {
    void (*play)(const char* name, FsMgr* fs) = nullptr;
    void (*stop)(int fadeFrames) = nullptr;
    bool (*isPlaying)() = nullptr;
};
void SetScriptMovieHooks(const ScriptMovieHooks& hooks);
// The engine's movie player; the hooks in place until a caller sets others.
ScriptMovieHooks DefaultScriptMovieHooks();

// Sys: ScreenWidth, ScreenHeight, ScreenAspect (the graphics layer's screen
// size, copied now and not followed later), Exit([status]), GetDate().
int RegisterSysTable();
// Utl: Rand, RandRange, EasingOut, EasingIn, EasingInOut, MoviePlay,
// MovieStop, MovieIsPlaying. Rand and RandRange draw from the global
// random state, which the game seeds.
int RegisterUtlTable();

// Registers the engine's script classes and then Sys and Utl. Needs the VM.
void RegisterScriptInterfaces();
// Releases what the interfaces hold globally; called after the scripts'
// last call.
void ShutdownScriptInterfaces();
