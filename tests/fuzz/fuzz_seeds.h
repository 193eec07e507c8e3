// Small valid files of every kind the readers take, the starting points of
// fuzzing.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ImageFuzzSeeds();

// The seeds of the harness a replay or seed-writer binary is linked with.
std::vector<std::string> FuzzSeeds();
