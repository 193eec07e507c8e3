// Utl.MoviePlay, MovieStop and MovieIsPlaying reach the engine's movie player here.
#include "media/movie_player.h"
#include "script/engine_tables.h"

ScriptMovieHooks DefaultScriptMovieHooks() {
    ScriptMovieHooks hooks;
    hooks.play = [](const char* name, FsMgr* fs) { MoviePlayer::Play(name, fs); };
    hooks.stop = [](int fadeFrames) { MoviePlayer::Stop(fadeFrames); };
    hooks.isPlaying = [] { return MoviePlayer::IsPlaying() != 0; };
    return hooks;
}
