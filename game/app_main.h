// The game's main routine: fills the application descriptor and runs the frame.
#pragma once

int AppMain(int argc, char** argv);
