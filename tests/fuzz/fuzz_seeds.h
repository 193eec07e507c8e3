// Small valid files of every kind the readers take, the starting points of
// fuzzing.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> ImageFuzzSeeds();
