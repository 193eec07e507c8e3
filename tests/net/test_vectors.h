// Vectors in tests/net/data: "KIND | FIELD ..." lines, \r \n \t \0 \\ \xHH escapes, {COUNT*TEXT} runs.
#pragma once

#include <string>
#include <vector>

std::string UnescapeVector(const std::string& text);
// The kind and unescaped fields of every row of data/`file` whose kind starts with `kind` (none: a failure).
std::vector<std::vector<std::string>> VectorRows(const std::string& file, const std::string& kind);
