#include "output/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace ks {

namespace {

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

// Creates the temporary with O_EXCL so an existing file is never reused; the mode 0666
// lets the umask decide the permissions of a new file, as for any other created file.
int CreateTemporary(const std::string& folder, const std::string& name, std::string& tmpPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    tmpPath = TemporaryName(folder, name);
    const int fd = open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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
  const bool exists = stat(path.c_str(), &target) == 0;
  if (name.empty() || (exists && S_ISDIR(target.st_mode))) {
    error = Message(path, Reason(EISDIR));
    return false;
  }

  std::string tmpPath;
  const int fd = CreateTemporary(folder, name, tmpPath);
  if (fd < 0) {
    error = Message(path, Reason(errno));
    return false;
  }

  // Every step below that fails records errno, closes and removes the temporary.
  int failure = 0;
  if (exists && S_ISREG(target.st_mode) && fchmod(fd, target.st_mode & 07777) != 0) failure = errno;
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
    error = Message(path, Reason(failure));
    return false;
  }
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

}  // namespace ks
