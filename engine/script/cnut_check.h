// Checks the structure of a compiled script (".cnut") before the VM reads it.
// The VM trusts every count and length in the file and allocates from them,
// so one damaged byte would crash it; and a file written by another Squirrel
// build (32-bit integers, Unicode characters) must be refused by name.
// The VM also trusts each function's frame: more parameters or defaults than
// its stack holds would be written past the VM stack, and code without a
// final return runs on past its end; both are refused. The operands of the
// instructions are not verified: compiled scripts are code.
#pragma once

#include <cstdint>

struct Stream;

// Walks the whole closure stream from the stream's start. On success returns
// true; otherwise writes one log line naming `name` and the fault and returns
// false. Either way the stream is left at its start.
bool CheckCompiledScript(Stream* stream, const char* name);
