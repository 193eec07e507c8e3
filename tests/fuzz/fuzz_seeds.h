// The seeds of the harness a replay or seed-writer binary is linked with:
// small valid files of every kind its readers take.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> FuzzSeeds();
