// The linked harness's seeds: small valid files of every kind its readers take.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> FuzzSeeds();
