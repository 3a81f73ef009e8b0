// Interrupted runs leave nothing behind. SIGINT and SIGTERM remove the temporary files
// being written and end the run with 128 + the signal's number (130, 143). A batch asks
// to hear of the signal instead, so that it can say how far it got before it ends. A
// file-size limit (ulimit -f) makes a write fail with EFBIG, reported like a full disk,
// instead of killing the process with a temporary left behind.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "output/atomic_file.h"
#include "tools/cli/cli_output.h"

namespace {

std::atomic<int> gSignal{0};
std::atomic<bool> gDeferred{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

void Say(const char* text) {
  size_t n = 0;
  while (text[n]) ++n;
  (void)!write(STDERR_FILENO, text, n);
}

// Async-signal-safe throughout: atomics, unlink, write and _exit only.
void OnInterrupt(int sig) {
  // Recorded before the temporaries go, so that a write failing for want of its
  // temporary already finds the signal recorded.
  const int earlier = gSignal.exchange(sig);
  ks::RemoveTemporariesInFlight();
  // A second signal while a batch winds down ends the run at once.
  if (gDeferred.load() && earlier == 0) return;
  Say(sig == SIGINT ? "barvello-cli: interrupted\n" : "barvello-cli: terminated\n");
  _exit(128 + sig);
}

}  // namespace

void InstallInterruptHandlers() {
  signal(SIGXFSZ, SIG_IGN);
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaddset(&sa.sa_mask, SIGINT);
  sigaddset(&sa.sa_mask, SIGTERM);
  // No SA_RESTART: a batch waiting for its next input line wakes up to the signal.
  sa.sa_flags = 0;
  for (const int sig : {SIGINT, SIGTERM}) {
    struct sigaction old {};
    // A signal the caller ignores (a job started with nohup or in the background of a
    // script) stays ignored.
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(sig, &sa, nullptr);
  }
}

void DeferInterrupts() { gDeferred.store(true); }

int PendingInterrupt() { return gSignal.load(); }
