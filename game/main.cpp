// Program entry: the game's main routine runs the whole program.
#include "game/app_main.h"

int main() { return AppMain(0, 0); }
