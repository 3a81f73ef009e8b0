// Atomic file replacement: the bytes go to a temporary file in the target's folder, are
// flushed to disk and then renamed over the target. A reader sees either the old file or
// the complete new one; a failure removes the temporary and leaves the target as it was.
#pragma once

#include <string>

namespace ks {

// Writes `bytes` to `path` atomically. An existing target keeps its permission bits; a
// new one gets 0666 less the process umask. On failure returns false and sets `error`
// to a message of the form: Cannot write "<path>": <reason>.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace ks
