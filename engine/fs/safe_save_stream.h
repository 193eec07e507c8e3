// Writing a file of the operating system so that it is never lost half
// written: the bytes go to a temporary file beside the target, and only when
// the stream is released after every write succeeded is that file synced and
// renamed over the target (then the folder is synced). On any failure the old
// file stays as it was, the temporary file goes, and the failure is logged;
// a failed write also shows as State kStreamFailed while the stream is open.
// Stream::Commit replaces the file at once and tells whether that worked.
// Temporary files that saves killed half way left beside the target (our own
// names only, see SafeSaveTemporaryName) are removed when it is next saved.
#pragma once

#include <string>

struct Allocator;
struct Stream;

// A write-only stream that will replace `path`; null when the temporary file
// cannot be created (the target is untouched then too). With `ownerOnly` the
// new file can be read by its owner only (0600) from its first byte on.
Stream* OpenSafeSaveStream(const char* path, Allocator* allocator, bool ownerOnly = false);

// The temporary name that the n-th save started by this process writes to
// first; an interrupted save leaves a file of this name beside the target.
std::string SafeSaveTemporaryName(const std::string& path, unsigned serial);
