// barvello-cli --batch: one data text per line of a file, one image per line, on as many
// threads as asked. Every worker owns its barcode object (configured the same way), so
// the files are the same whatever the number of threads; errors are reported in line
// order. The input is read as it goes and at most a fixed window of lines is in flight,
// so memory does not grow with the length of the file.
#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/ustring.h"
#include "output/atomic_file.h"
#include "output/export.h"
#include "output/image_writers.h"
#include "tools/cli/cli_output.h"

using namespace ks;

namespace {

using Clock = std::chrono::steady_clock;

// The output name: fixed text around one printf-style decimal conversion (%d, %5d,
// %05d); "%%" stands for a percent sign.
struct NamePattern {
  std::string prefix, suffix;
  bool zeroPad = false;
  int width = 0;
};

bool ParseNamePattern(const std::string& s, NamePattern& out, std::string& error) {
  bool found = false;
  std::string* part = &out.prefix;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      *part += s[i];
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == '%') {
      *part += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool zero = false;
    if (j < s.size() && s[j] == '0') {
      zero = true;
      ++j;
    }
    int width = 0;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9' && width < 100) width = width * 10 + (s[j++] - '0');
    if (j >= s.size() || s[j] != 'd' || found || width > 18) {
      error = "the output name '" + s + "' must hold one counter such as %05d (and %% for a percent sign)";
      return false;
    }
    found = true;
    out.zeroPad = zero;
    out.width = width;
    part = &out.suffix;
    i = j;
  }
  if (!found) {
    error = "the output name '" + s + "' needs a counter such as %05d, else every line would overwrite one file";
    return false;
  }
  return true;
}

std::string FormatName(const NamePattern& p, long long n) {
  std::string digits = std::to_string(n);
  if (static_cast<int>(digits.size()) < p.width) digits.insert(0, p.width - digits.size(), p.zeroPad ? '0' : ' ');
  return p.prefix + digits + p.suffix;
}

// Lines of the input file (or standard input for "-"), without the line end; a final
// line without a newline counts, an empty file has none. The input is read once, as it
// comes, so a pipe works as well as a file; with plain system calls, so that SIGINT or
// SIGTERM end a wait for input at once, where a stream would silently try again. A line longer than `limit` bytes is not
// kept: only the fact that it was too long.
class LineReader {
 public:
  LineReader(const std::string& name, size_t limit) : name_(name), limit_(limit) {
    if (name == "-") {
      fd_ = STDIN_FILENO;
    } else {
      fd_ = open(name.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd_ < 0) error_ = errno;
    }
    struct stat st {};
    if (!error_ && fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) error_ = EISDIR;
  }
  ~LineReader() {
    if (fd_ > STDIN_FILENO) close(fd_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool Ok() const { return error_ == 0; }
  // "cannot read 'NAME': reason", once reading has failed.
  std::string Error() const {
    return "cannot read '" + name_ + "': " + (error_ == EISDIR ? "it is a folder" : std::strerror(error_));
  }
  // The next line into `line`; `tooLong` when it had more than the limit (the text is
  // then empty). False at the end of the input or when reading fails (Ok() tells).
  bool Next(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    bool any = false;
    for (;;) {
      if (pos_ == end_ && !Fill()) {
        if (!any || !Ok()) return false;
        break;
      }
      any = true;
      const char* start = buf_.data() + pos_;
      const char* nl = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
      const size_t n = nl ? static_cast<size_t>(nl - start) : end_ - pos_;
      if (!tooLong) {
        if (line.size() + n > limit_ + 1) {  // room for a CR before the newline
          tooLong = true;
          line.clear();
          line.shrink_to_fit();
        } else {
          line.append(start, n);
        }
      }
      pos_ += n;
      if (nl) {
        ++pos_;
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > limit_) {
      tooLong = true;
      line.clear();
    }
    return true;
  }

 private:
  bool Fill() {
    if (error_ || eof_) return false;
    for (;;) {
      ssize_t n = read(fd_, buf_.data(), buf_.size());
      if (n < 0 && errno == EINTR && !PendingInterrupt()) continue;
      if (n < 0 && errno == EINTR) n = 0;  // interrupted: the input ends here
      if (n < 0) error_ = errno;
      if (n <= 0) {
        eof_ = n == 0;
        return false;
      }
      pos_ = 0;
      end_ = static_cast<size_t>(n);
      return true;
    }
  }

  std::string name_;
  size_t limit_;
  int fd_ = -1;
  int error_ = 0;
  bool eof_ = false;
  std::vector<char> buf_ = std::vector<char>(1 << 16);
  size_t pos_ = 0, end_ = 0;
};

// Number of lines, for the progress bar's percentage; -1 when unknown. Only a regular
// file is counted ahead: reading a pipe or a terminal would take the lines the batch
// itself is to read.
long long CountLines(const std::string& name) {
  struct stat st {};
  if (name == "-" || stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  std::ifstream f(name, std::ios::binary);
  if (!f) return -1;
  long long lines = 0;
  char last = '\n';
  std::vector<char> buf(1 << 16);
  while (f) {
    f.read(buf.data(), static_cast<std::streamsize>(buf.size()));
    const std::streamsize n = f.gcount();
    if (n <= 0) break;
    lines += std::count(buf.data(), buf.data() + n, '\n');
    last = buf[static_cast<size_t>(n - 1)];
  }
  return last == '\n' ? lines : lines + 1;
}

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buf[32];
  if (s >= 3600)
    std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
  return buf;
}

// The progress line on a terminal: bar, percentage, count, rate and time left.
class Progress {
 public:
  Progress(bool enabled, long long total) : enabled_(enabled), total_(total), start_(Clock::now()) {}

  void Update(long long done, bool force = false) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (!force && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double rate = elapsed > 0 ? done / elapsed : 0;
    char line[160];
    if (total_ > 0) {
      const double f = std::min(1.0, static_cast<double>(done) / total_);
      constexpr int kBar = 30;
      const int filled = static_cast<int>(f * kBar);
      std::string bar = std::string(filled, '#') + std::string(kBar - filled, '.');
      const std::string left = rate > 0 ? Duration((total_ - done) / rate) : "?";
      std::snprintf(line, sizeof line, "\r[%s] %3d%%  %lld/%lld  %.0f/s  %s left\033[K", bar.c_str(),
                    static_cast<int>(f * 100), done, total_, rate, left.c_str());
    } else {
      std::snprintf(line, sizeof line, "\r%lld lines  %.0f/s\033[K", done, rate);
    }
    std::fputs(line, stderr);
    std::fflush(stderr);
    shown_ = true;
  }
  // Clears the progress line so that a message can take its place.
  void Clear() {
    if (enabled_ && shown_) std::fputs("\r\033[K", stderr);
    shown_ = false;
  }
  double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

 private:
  bool enabled_;
  long long total_;
  Clock::time_point start_;
  Clock::time_point last_{};
  bool shown_ = false;
};

struct Job {
  long long line = 0;
  std::string text;
  std::string refused;  // why the line is not encoded at all (too long, not UTF-8)
};

struct Outcome {
  long long line = 0;  // 0: not done yet
  bool ok = false;
  bool interrupted = false;  // failed after SIGINT or SIGTERM: neither written nor failed
  std::string error;
  VerifyStatus verified = VerifyStatus::NotVerifiable;  // with --verify
};

// Jobs go out through a bounded queue; outcomes come back into a ring indexed by line
// number, which the reading thread reports in order. The reader never runs more than
// the ring's size ahead of the oldest unreported line. A waiting reader is woken once
// per batch of finished lines rather than for each (a wake-up costs more than a small
// image), and looks by itself every few milliseconds. Besides the number of lines, the
// bytes of data text between being queued and finished are bounded, so that long lines
// do not take memory in proportion to the number of threads.
class Pipeline {
 public:
  Pipeline(size_t window, size_t maxTextBytes)
      : ring_(window), wakeEvery_(std::max<size_t>(1, window / 8)), maxTextBytes_(maxTextBytes) {}

  // Blocks while the window is full, then queues the jobs (lines in order). Outcomes that
  // became ready meanwhile are moved to `ready`.
  void Push(std::vector<Job>& jobs, std::vector<Outcome>& ready) {
    if (jobs.empty()) return;
    size_t bytes = 0;
    for (const Job& job : jobs) bytes += job.text.size();
    std::unique_lock<std::mutex> lock(m_);
    Collect(ready);
    while (jobs.back().line - nextReport_ >= static_cast<long long>(ring_.size()) ||
           (textBytes_ > 0 && textBytes_ + bytes > maxTextBytes_)) {
      if (PendingInterrupt()) return;
      Wait(lock);
      Collect(ready);
    }
    textBytes_ += bytes;
    for (Job& job : jobs) queue_.push_back(std::move(job));
    jobs.clear();
    work_.notify_all();
  }

  // For workers: the next few jobs, a fair share of the queue so that the last lines
  // spread over the workers; false when the input is exhausted. Taking several at a time
  // keeps the workers from meeting at the lock for every small image.
  bool Pop(std::vector<Job>& jobs, size_t workers) {
    jobs.clear();
    std::unique_lock<std::mutex> lock(m_);
    work_.wait(lock, [&] { return !queue_.empty() || closed_; });
    if (queue_.empty()) return false;
    const size_t take = std::clamp<size_t>(queue_.size() / (2 * workers), 1, kMaxTake);
    for (size_t i = 0; i < take; ++i) {
      jobs.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
    return true;
  }

  // A worker is done with `bytes` of data text, and the outcomes.
  void Finish(std::vector<Outcome>& outcomes, size_t bytes) {
    std::lock_guard<std::mutex> lock(m_);
    textBytes_ -= bytes;
    for (Outcome& o : outcomes)
      ring_[static_cast<size_t>(o.line % static_cast<long long>(ring_.size()))] = std::move(o);
    const size_t finished = outcomes.size();
    outcomes.clear();
    // Near the end (input closed) every line counts: the reader is waiting to finish.
    if (waiting_ && ((finishedSinceWake_ += finished) >= wakeEvery_ || closed_)) {
      finishedSinceWake_ = 0;
      done_.notify_one();
    }
  }

  void Close() {
    std::lock_guard<std::mutex> lock(m_);
    closed_ = true;
    work_.notify_all();
  }

  // Closes the input and drops the lines no worker has taken yet.
  void Abandon() {
    std::lock_guard<std::mutex> lock(m_);
    queue_.clear();
    closed_ = true;
    work_.notify_all();
  }

  // The outcomes ready now, in order, without waiting.
  void TakeReady(std::vector<Outcome>& ready) {
    std::lock_guard<std::mutex> lock(m_);
    Collect(ready);
  }

  // Waits for outcomes up to line `last` in order; returns those now ready. Empty with
  // everything reported.
  void Drain(long long last, std::vector<Outcome>& ready) {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      Collect(ready);
      if (!ready.empty() || nextReport_ > last || PendingInterrupt()) return;
      Wait(lock);
    }
  }

  long long Reported() {
    std::lock_guard<std::mutex> lock(m_);
    return nextReport_ - 1;
  }

 private:
  void Wait(std::unique_lock<std::mutex>& lock) {
    waiting_ = true;
    done_.wait_for(lock, std::chrono::milliseconds(5));
    waiting_ = false;
  }
  // Moves the outcomes that continue the reported sequence into `ready` (lock held).
  void Collect(std::vector<Outcome>& ready) {
    for (;;) {
      Outcome& slot = ring_[static_cast<size_t>(nextReport_ % static_cast<long long>(ring_.size()))];
      if (slot.line != nextReport_) return;
      ready.push_back(std::move(slot));
      slot.line = 0;
      ++nextReport_;
    }
  }

  std::mutex m_;
  std::condition_variable work_, done_;
  std::deque<Job> queue_;
  bool closed_ = false;
  std::vector<Outcome> ring_;
  long long nextReport_ = 1;
  bool waiting_ = false;
  size_t finishedSinceWake_ = 0;
  const size_t wakeEvery_;
  const size_t maxTextBytes_;
  size_t textBytes_ = 0;  // data text queued or in a worker's hands
  static constexpr size_t kMaxTake = 8;
};

// A line whose encoding takes tens of megabytes on the way, and an image file of a size
// not worth keeping a buffer for.
constexpr size_t kLongLine = 64 * 1024;
constexpr size_t kLongImage = 16 * 1024 * 1024;

// One worker: its own barcode object, configured once, then one line after another.
void Work(const CliOptions& o, const NamePattern& name, Pipeline& pipe, size_t workers) {
  const auto makeBarcode = [&o] {
    auto bc = std::make_unique<TksBarcodeComponent>();
    bc->ErrorInfo().SetMode(emStandardRaise);
    return bc;
  };
  auto bc = makeBarcode();
  bool configured = ConfigureBarcode(o, *bc) == 0;  // checked on the main thread
  std::string bytes, error;
  std::vector<Job> jobs;
  std::vector<Outcome> outcomes;
  while (pipe.Pop(jobs, workers)) {
    size_t textBytes = 0;
    for (const Job& job : jobs) {
      textBytes += job.text.size();
      Outcome out;
      out.line = job.line;
      error.clear();
      if (!job.refused.empty()) {
        error = job.refused;
      } else if (configured) {
        // Each line starts from the empty text, so that what a line gives never depends
        // on the line the same object had before.
        bc->SetBarCode(u"");
        bc->SetBarCode(FromUtf8(job.text));
        const int rc = RenderImageBytes(o, *bc, bytes, error, &out.verified);
        // Not flushed to the disk one by one: the run flushes them all once at the end.
        out.ok = rc == 0 && WriteFileAtomicUnsynced(FormatName(name, job.line), bytes, error);
        out.interrupted = !out.ok && PendingInterrupt() != 0;
      } else {
        error = "the barcode settings cannot be applied";
      }
      out.error = std::move(error);
      outcomes.push_back(std::move(out));
      // What a long line leaves behind (its text, pattern and image bytes in this
      // worker's object and buffers, and the heap that held them) is handed back, so
      // that memory does not grow with the number of threads times the line size.
      if (job.text.size() >= kLongLine || bytes.capacity() >= kLongImage) {
        std::string().swap(bytes);
        bc = makeBarcode();
        configured = ConfigureBarcode(o, *bc) == 0;
#ifdef __GLIBC__
        malloc_trim(0);
#endif
      }
    }
    pipe.Finish(outcomes, textBytes);
  }
}

}  // namespace

int RunBatch(const CliOptions& o) {
  NamePattern name;
  std::string error;
  if (o.output.empty()) {
    std::cerr << "barvello-cli: --batch needs -o NAME with a counter, e.g. -o out/code%05d.png\n";
    return 2;
  }
  if (!ParseNamePattern(o.output, name, error)) {
    std::cerr << "barvello-cli: " << Printable(error) << "\n";
    return 2;
  }
  const TksFileType type = FileTypeFromName(o.output);
  if (type == ftINI || type == ftUnknown || type == ftDFM || type == ftXML || type == ftJSon) {
    std::cerr << "barvello-cli: --batch writes images: use .png .jpg .jpeg .gif .bmp .emf .wmf .svg .pdf\n";
    return 2;
  }
  LineReader reader(o.batch, kMaxDataBytes);
  if (!reader.Ok()) {
    std::cerr << "barvello-cli: " << Printable(reader.Error()) << "\n";
    return 2;
  }
  // An interrupt from here on is reported with how far the batch got.
  DeferInterrupts();
  {
    // Settings errors are usage errors: report them once, before any work starts.
    TksBarcodeComponent probe;
    probe.ErrorInfo().SetMode(emStandardRaise);
    if (int rc = ConfigureBarcode(o, probe)) return rc;
  }

  // The workers, and any thread Qt starts, leave SIGINT and SIGTERM to this thread: its
  // wait for the next input line is what the signal must interrupt.
  sigset_t interrupts, previousMask;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &interrupts, &previousMask);
  EnsureGuiApplication();  // on this thread, before any worker paints

  // One thread per core unless asked otherwise; more than the cores only help when the
  // disk is slow, and the data text in work is bounded whatever their number.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const int threads = std::clamp(o.threads > 0 ? o.threads : static_cast<int>(cores), 1, kMaxThreads);
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  Progress progress(terminal, terminal ? CountLines(o.batch) : -1);

  Pipeline pipe(static_cast<size_t>(threads) * 256, kBatchTextInFlight);
  constexpr size_t kPushBatch = 16;
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i) workers.emplace_back(Work, std::cref(o), std::cref(name), std::ref(pipe), static_cast<size_t>(threads));
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);

  long long lines = 0, failed = 0, reportedLines = 0, verified = 0, unverifiable = 0;
  std::vector<Outcome> ready;
  long long firstWritten = 0;  // a line whose file was written: its folder is flushed at the end
  auto report = [&] {
    for (const Outcome& r : ready) {
      if (r.interrupted) continue;
      ++reportedLines;
      if (r.ok && firstWritten == 0) firstWritten = r.line;
      if (r.ok && o.verify) ++(r.verified == VerifyStatus::Read ? verified : unverifiable);
      if (r.ok) continue;
      ++failed;
      progress.Clear();
      // Engine messages come escaped already; file errors carry the name from -o.
      std::cerr << "barvello-cli: line " << r.line << ": " << Printable(r.error) << "\n";
    }
    ready.clear();
    progress.Update(pipe.Reported());
  };

  // Lines go to the workers a few at a time; long ones one by one, so that the bound on
  // the data text in work holds.
  std::vector<Job> jobs;
  size_t jobBytes = 0;
  Job job;
  bool more = true;
  while (more && !PendingInterrupt()) {
    bool tooLong = false;
    more = reader.Next(job.text, tooLong);
    if (PendingInterrupt()) break;
    if (more) {
      job.line = ++lines;
      std::string refused;
      if (tooLong) {
        job.refused = "the line has more than " + std::to_string(kMaxDataBytes) +
                      " bytes (1 MB), the most one barcode takes";
      } else if (CheckDataText(job.text, refused) != 0) {
        job.refused = std::move(refused);
        job.text.clear();
      }
      jobs.push_back(std::move(job));
      jobBytes += jobs.back().text.size();
      job = Job{};
    }
    if (jobs.size() == kPushBatch || jobBytes >= kLongLine || (!more && !jobs.empty())) {
      jobBytes = 0;
      pipe.Push(jobs, ready);
      report();
    }
  }
  const bool readFailed = !reader.Ok();
  pipe.Close();
  while (pipe.Reported() < lines && !PendingInterrupt()) {
    pipe.Drain(lines, ready);
    report();
  }
  if (const int sig = PendingInterrupt()) {
    // The temporaries in flight are gone already; the workers finish the line in hand
    // (its file cannot appear any more) and take no other. Lines they had finished
    // before still count.
    pipe.Abandon();
    for (auto& t : workers) t.join();
    pipe.TakeReady(ready);
    report();
    progress.Clear();
    std::fprintf(stderr, "barvello-cli: batch: interrupted by %s after %lld lines, %lld files written, %lld failed\n",
                 sig == SIGINT ? "SIGINT" : "SIGTERM", reportedLines, reportedLines - failed, failed);
    return 128 + sig;
  }
  for (auto& t : workers) t.join();
  bool synced = true;
  if (firstWritten > 0) {
    const std::string folder = std::filesystem::path(FormatName(name, firstWritten)).parent_path().string();
    if (!SyncFolderToDisk(folder, error)) {
      progress.Clear();
      std::cerr << "barvello-cli: " << Printable(error) << "\n";
      synced = false;
    }
  }

  progress.Update(lines, true);
  progress.Clear();
  if (readFailed) std::cerr << "barvello-cli: " << Printable(reader.Error()) << " (after line " << lines << ")\n";
  const double seconds = progress.Elapsed();
  char checks[80] = "";
  if (o.verify) std::snprintf(checks, sizeof checks, ", %lld verified, %lld not verifiable", verified, unverifiable);
  char summary[280];
  std::snprintf(summary, sizeof summary, "barvello-cli: batch: %lld lines, %lld files written, %lld failed%s, %.2f s (%.0f files/s, %d threads)\n",
                lines, lines - failed, failed, checks, seconds, seconds > 0 ? (lines - failed) / seconds : 0.0, threads);
  std::fputs(summary, stderr);
  return failed > 0 || !synced || readFailed ? 1 : 0;
}
