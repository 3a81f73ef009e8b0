// Atomic file replacement: the bytes go to a temporary file in the target's folder, are
// flushed to disk and then renamed over the target. A reader sees either the old file or
// the complete new one; a failure removes the temporary and leaves the target as it was.
#pragma once

#include <functional>
#include <string>

namespace ks {

// Writes `bytes` to `path` atomically. An existing target keeps its permission bits; a
// new one gets 0666 less the process umask. On failure returns false and sets `error`
// to a message of the form: Cannot write "<path>": <reason>.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error);

// The same without waiting for the disk: the replacement is just as atomic for readers,
// but after a system crash the file may be missing or empty until the caller has
// flushed the folder with SyncFolderToDisk. For many files in a row, where waiting for
// the disk once per file would cost far more than writing them.
bool WriteFileAtomicUnsynced(const std::string& path, const std::string& bytes, std::string& error);

// The same for output too large to hold in memory: `write` writes the file's bytes to
// the open descriptor of the temporary as they are made, and returns false with errno
// set when that fails. An exception from `write` removes the temporary and goes on.
bool WriteFileAtomicStreamed(const std::string& path, const std::function<bool(int fd)>& write, std::string& error);

// Flushes everything written on the file system holding `folder` ("." for the current
// folder) to the disk. False with `error` set when that fails.
bool SyncFolderToDisk(const std::string& folder, std::string& error);

}  // namespace ks
