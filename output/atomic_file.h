// Atomic file replacement: the bytes go to a temporary file in the target's folder, are
// flushed to disk and then renamed over the target. A reader sees either the old file or
// the complete new one; a failure removes the temporary and leaves the target as it was.
//
// Replacing makes a new file; it never hands out rights the writer did not have or mean:
// - the target must be a regular file: a folder, a symbolic link, a device, a FIFO or a
//   socket at the target is refused (a link is not followed and not replaced: write to
//   the file it names by that file's own name);
// - a target whose own permission bits forbid the writer to write it is refused, as a
//   shell redirection would refuse it; root, whom the system lets write anything, is
//   refused a file without any write bit (its own file: without the owner's write bit);
// - the new file belongs to the writer. It keeps the old file's permission bits only when
//   the writer owned the old file (and its group only when the writer may give the new
//   file that group; otherwise the group bits are cleared). A file of another user is
//   replaced by one with the permissions of a newly created file (0666 less the umask).
//   Set-user-ID, set-group-ID and sticky bits are never carried over;
// - the temporary never has more permission bits than the final file, from its creation
//   on, so no one can open it in between who could not open the result.
// Other hard links to the old file keep the old content; only this name gets the new one.
#pragma once

#include <functional>
#include <string>

namespace ks {

// Writes `bytes` to `path` atomically as described above. A new file gets 0666 less the
// process umask. On failure returns false and sets `error` to a message of the form:
// Cannot write "<path>": <reason>.
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

// The checks the writers make on an existing target before writing anything (a folder,
// a link or another non-regular file, a read-only file), for callers that read the old
// file first. True when `path` does not exist or may be replaced; false with `error` in
// the writers' form otherwise.
bool CheckReplaceableTarget(const std::string& path, std::string& error);

// Flushes everything written on the file system holding `folder` ("." for the current
// folder) to the disk. False with `error` set when that fails.
bool SyncFolderToDisk(const std::string& folder, std::string& error);

// Removes every temporary file the writers of this process have open at this moment and
// makes any later write fail (with the reason "interrupted") instead of creating one.
// Async-signal-safe: meant for a handler of SIGINT or SIGTERM that ends the process, so
// that an interrupted run leaves no temporary behind. Writers on other threads are
// waited for while they create a temporary (a moment), never while they write it.
void RemoveTemporariesInFlight() noexcept;

}  // namespace ks
