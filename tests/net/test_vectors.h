// Known-answer vectors kept as data in tests/net/data: one per line,
// "KIND | FIELD | FIELD ...", with \r \n \t \0 \\ \xHH escapes and
// {COUNT*TEXT} runs for bytes that text cannot show; '#' starts a comment.
#pragma once

#include <string>
#include <vector>

std::string UnescapeVector(const std::string& text);
// The unescaped fields (after the kind) of every row of data/`file` whose kind
// starts with `kind`; a test failure when there is none.
std::vector<std::vector<std::string>> VectorRows(const std::string& file, const std::string& kind);
