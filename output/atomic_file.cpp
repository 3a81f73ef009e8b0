#include "output/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {

namespace {

// ---- temporaries in flight --------------------------------------------------------------
// A fixed table that a signal handler can walk without locks or allocation. A writer
// claims a slot, fills in the temporary's path, creates the file and marks the slot live;
// it frees the slot once the temporary is gone (renamed into place or removed).

enum SlotState : int {
  kFree,
  kFilling,   // claimed; the path is being written, no file exists yet
  kCreating,  // the path is complete; the file may or may not exist yet
  kLive,      // the file exists under that path
};

struct Slot {
  std::atomic<int> state{kFree};
  std::atomic<pid_t> owner{0};  // the thread that claimed the slot
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free);

// More slots than a batch has threads; a writer that finds none full writes untracked.
constexpr int kSlots = 320;
Slot gSlots[kSlots];
// Set once the process is being ended: no new temporary may appear after that.
std::atomic<bool> gClosing{false};

// One writer's slot for the temporary it creates.
class InFlight {
 public:
  InFlight() = default;
  InFlight(const InFlight&) = delete;
  InFlight& operator=(const InFlight&) = delete;
  ~InFlight() { Release(); }

  // Records `path` before the file is created. False when the process is being ended,
  // in which case no file may be created.
  bool Begin(const std::string& path) {
    if (slot_ < 0) slot_ = Claim();
    if (slot_ < 0 || path.size() >= sizeof gSlots[0].path) {
      Release();  // no room: written untracked
      return !gClosing.load();
    }
    Slot& s = gSlots[slot_];
    s.state.store(kFilling);
    // Checked after the slot is marked, so that a handler that set the flag before this
    // load sees the mark and waits for this writer, and one that set it later stops it
    // here, before the path changes under the handler's eyes.
    if (gClosing.load()) {
      Release();
      return false;
    }
    std::memcpy(s.path, path.c_str(), path.size() + 1);
    s.state.store(kCreating);
    return true;
  }
  // After the attempt to create the file.
  void Created(bool ok) {
    if (slot_ < 0) return;
    if (ok)
      gSlots[slot_].state.store(kLive);
    else
      Release();
  }
  // The temporary is gone.
  void Release() {
    if (slot_ >= 0) gSlots[slot_].state.store(kFree);
    slot_ = -1;
  }

 private:
  static int Claim() {
    for (int i = 0; i < kSlots; ++i) {
      int expected = kFree;
      if (gSlots[i].state.compare_exchange_strong(expected, kFilling)) {
        gSlots[i].owner.store(gettid());
        return i;
      }
    }
    return -1;
  }

  int slot_ = -1;
};

// ---- writing ------------------------------------------------------------------------------

// The folder part ("." when the path has none) and the file-name part of a path.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

// What went wrong, in words a user can act on.
std::string Reason(int err) {
  switch (err) {
    case ENOENT: return "the folder does not exist";
    case ENOTDIR: return "a part of the folder path is not a folder";
    case EISDIR: return "the target is a folder";
    case EROFS: return "the folder is on a read-only file system";
    case EACCES:
    case EPERM: return "no permission to write in the folder";
    case ENOSPC:
    case EDQUOT: return "the disk is full";
    case EFBIG: return "the file is too large";
    case ENAMETOOLONG: return "the file name is too long";
    case EIO: return "input/output error";
    default: return std::strerror(err);
  }
}

std::string Message(const std::string& path, const std::string& reason) {
  return "Cannot write \"" + path + "\": " + reason;
}

// Whether the target's own permission bits let this process write it. Root passes every
// permission check, so for root the bits are read here: its own file needs the owner's
// write bit, another user's file any write bit. Anyone else asks the system (which also
// knows access control lists); a refusal for another reason than the permission (a
// read-only file system, say) is left to the write itself, which reports it.
bool MayWrite(const std::string& path, const struct stat& st) {
  if (geteuid() == 0) return (st.st_mode & (st.st_uid == 0 ? S_IWUSR : 0222)) != 0;
  return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 || errno != EACCES;
}

// Looks at the target itself (a link is not followed). True when it does not exist or
// may be replaced; `exists` and `st` describe it.
bool InspectTarget(const std::string& path, const std::string& name, struct stat& st, bool& exists,
                   std::string& error) {
  // A failing lstat (a missing file, a folder on the way that is not one) is reported by
  // the creation of the temporary, in its own words.
  exists = lstat(path.c_str(), &st) == 0;
  std::string reason;
  if (name.empty() || (exists && S_ISDIR(st.st_mode)))
    reason = Reason(EISDIR);
  else if (!exists)
    return true;
  else if (S_ISLNK(st.st_mode))
    reason = "the target is a symbolic link";
  else if (!S_ISREG(st.st_mode))
    reason = "the target is not a regular file";
  else if (!MayWrite(path, st))
    reason = "the file is read-only";
  else
    return true;
  error = Message(path, reason);
  return false;
}

// A name for the temporary beside the target: hidden, unique with high probability, and
// short enough for the file system even when the target's own name is near the limit.
std::string TemporaryName(const std::string& folder, const std::string& name) {
  thread_local std::mt19937_64 rng{std::random_device{}() ^ static_cast<uint64_t>(getpid())};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix(8, '0');
  for (char& c : suffix) c = kDigits[rng() % 36];
  std::string path = folder == "/" ? "/" : folder + "/";
  return path + "." + name.substr(0, 200) + "." + suffix + ".tmp";
}

// Creates the temporary with O_EXCL so an existing file is never reused, with `mode`
// less the umask, and records it as in flight.
int CreateTemporary(const std::string& folder, const std::string& name, mode_t mode, InFlight& flight,
                    std::string& tmpPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmpPath = TemporaryName(folder, name);
    if (!flight.Begin(tmpPath)) {
      errno = EINTR;
      return -1;
    }
    const int fd = open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    const int err = errno;
    flight.Created(fd >= 0);
    if (fd >= 0 || err != EEXIST) {
      errno = err;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

// Gives the temporary of a file the writer owned that file's group and permission bits.
// It was created with at most the owner's read and write bits of the final mode, so this
// only ever adds bits. Group bits stay only where the group could be kept: they were
// meant for that group, not for the writer's. Returns 0 or the errno of a failure.
int TakeOwnFilesMode(int fd, const struct stat& old) {
  struct stat now {};
  if (fstat(fd, &now) != 0) return errno;
  mode_t mode = old.st_mode & 0777;
  if (now.st_gid != old.st_gid && fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) mode &= ~static_cast<mode_t>(070);
  return fchmod(fd, mode) == 0 ? 0 : errno;
}

// Writes everything, normally in one system call; continues after a short write.
bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

// Makes the rename itself durable. A failure here does not undo a completed replacement,
// so it is not reported.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// `write` fills the temporary; false with errno set when that fails.
bool WriteAtomic(const std::string& path, const std::function<bool(int fd)>& write, bool durable,
                 std::string& error) {
  if (path.empty()) {
    error = "Cannot write a file without a name";
    return false;
  }
  std::string folder, name;
  SplitPath(path, folder, name);
  struct stat target {};
  bool exists = false;
  if (!InspectTarget(path, name, target, exists, error)) return false;

  // The permission bits of a file the writer owns are kept; anything else is replaced
  // by a file with the permissions of a new one (0666 less the umask).
  const bool ownFile = exists && target.st_uid == geteuid();
  InFlight flight;
  std::string tmpPath;
  const int fd = CreateTemporary(folder, name, ownFile ? (target.st_mode & 0600) : 0666, flight, tmpPath);
  if (fd < 0) {
    error = Message(path, gClosing.load() ? "interrupted" : Reason(errno));
    return false;
  }

  // Every step below that fails records errno, closes and removes the temporary.
  int failure = ownFile ? TakeOwnFilesMode(fd, target) : 0;
  if (!failure) {
    try {
      errno = 0;
      if (!write(fd)) failure = errno ? errno : EIO;
    } catch (...) {
      close(fd);
      unlink(tmpPath.c_str());
      throw;
    }
  }
  if (!failure && durable && fsync(fd) != 0) failure = errno;
  if (close(fd) != 0 && !failure) failure = errno;
  if (!failure && rename(tmpPath.c_str(), path.c_str()) != 0) failure = errno;
  if (failure) {
    unlink(tmpPath.c_str());
    flight.Release();
    error = Message(path, gClosing.load() ? "interrupted" : Reason(failure));
    return false;
  }
  flight.Release();
  if (durable) SyncFolder(folder);
  return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& path, const std::string& bytes, std::string& error) {
  return WriteAtomic(path, [&](int fd) { return WriteAll(fd, bytes); }, true, error);
}

bool WriteFileAtomicUnsynced(const std::string& path, const std::string& bytes, std::string& error) {
  return WriteAtomic(path, [&](int fd) { return WriteAll(fd, bytes); }, false, error);
}

bool WriteFileAtomicStreamed(const std::string& path, const std::function<bool(int fd)>& write, std::string& error) {
  return WriteAtomic(path, write, true, error);
}

bool CheckReplaceableTarget(const std::string& path, std::string& error) {
  if (path.empty()) {
    error = "Cannot write a file without a name";
    return false;
  }
  std::string folder, name;
  SplitPath(path, folder, name);
  struct stat st {};
  bool exists = false;
  return InspectTarget(path, name, st, exists, error);
}

bool SyncFolderToDisk(const std::string& folder, std::string& error) {
  const std::string path = folder.empty() ? "." : folder;
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 || syncfs(fd) != 0) {
    const int err = errno;
    if (fd >= 0) close(fd);
    error = "Cannot flush \"" + path + "\" to the disk: " + Reason(err);
    return false;
  }
  close(fd);
  return true;
}

void RemoveTemporariesInFlight() noexcept {
  gClosing.store(true);
  const pid_t me = gettid();
  for (Slot& s : gSlots) {
    int state = s.state.load();
    // A writer on another thread that is creating its temporary is given a moment: it
    // either sees the flag and creates nothing, or creates the file, which goes below.
    // A writer on this thread, stopped by the signal half way, is not waited for: a
    // path it was still filling in has no file yet.
    for (int waited = 0; (state == kFilling || state == kCreating) && s.owner.load() != me && waited < 20000;
         ++waited) {
      usleep(100);  // a tenth of a millisecond; safe in a signal handler
      state = s.state.load();
    }
    if (state == kCreating || state == kLive) unlink(s.path);
  }
}

}  // namespace ks
