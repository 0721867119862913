#include "tools/SignalStop.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace kova {

namespace {

namespace fs = std::filesystem;

struct Entry {
  std::string path;
  bool folder = false;
};

std::mutex& RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<int, Entry>& Entries() {
  static std::map<int, Entry> entries;
  return entries;
}

int gNextId = 1;

std::atomic<bool> gActive{false};
std::atomic<bool> gStopping{false};
std::atomic<bool> gSoft{false};
std::atomic<int> gRequested{0};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

// The signals that stop the program: those of INT, TERM, HUP and QUIT that it was not started
// with ignored (nohup, a background job of a shell). TERM is always taken by the watcher, also
// to wake it when it ends.
sigset_t gWatched;
sigset_t gTaken;

void ChooseSignals() {
  sigemptyset(&gWatched);
  sigemptyset(&gTaken);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction now {};
    sigaction(sig, nullptr, &now);
    if (now.sa_handler != SIG_IGN) sigaddset(&gWatched, sig);
  }
  gTaken = gWatched;
  sigaddset(&gTaken, SIGTERM);
}

// Removes the plain files of `folder` (never following a link or entering a folder), then the
// folder itself.
void RemoveFolder(const std::string& folder) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->symlink_status(ec).type() == fs::file_type::regular) files.push_back(it->path());
  for (const fs::path& file : files) ::unlink(file.c_str());
  ::rmdir(folder.c_str());
}

void Watch() {
  for (;;) {
    int sig = 0;
    if (sigwait(&gTaken, &sig) != 0) continue;
    if (gStopping.load()) return;
    if (!sigismember(&gWatched, sig)) continue;
    if (sig == SIGINT && gSoft.load() && gRequested.exchange(1) == 0) continue;
    std::unique_lock<std::mutex> lock = TempRegistry::Lock();
    TempRegistry::RemoveAll(lock);
    ::_exit(128 + sig);
  }
}

// Without a watcher (the commands run inside another program, as the tests do) the first
// Ctrl+C of a SoftInterrupt raises the flag and the next one takes the previous way.
struct sigaction gPrevious {};

void OnInterrupt(int) { gRequested.store(1); }

}  // namespace

std::unique_lock<std::mutex> TempRegistry::Lock() { return std::unique_lock<std::mutex>(RegistryMutex()); }

int TempRegistry::Add(const std::string& path, bool folder, const std::unique_lock<std::mutex>&) {
  const int id = gNextId++;
  Entries()[id] = Entry{path, folder};
  return id;
}

void TempRegistry::Drop(int id, const std::unique_lock<std::mutex>&) { Entries().erase(id); }

void TempRegistry::RemoveAll(const std::unique_lock<std::mutex>&) {
  std::map<int, Entry>& entries = Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (!it->second.folder) ::unlink(it->second.path.c_str());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    if (it->second.folder) RemoveFolder(it->second.path);
  entries.clear();
}

SignalStop::SignalStop() {
  // Threads started from here on inherit the blocked signals, so only the watcher takes them.
  ChooseSignals();
  pthread_sigmask(SIG_BLOCK, &gTaken, nullptr);
  gStopping = false;
  gActive = true;
  watcher_ = std::thread(Watch);
}

SignalStop::~SignalStop() {
  gStopping = true;
  pthread_kill(watcher_.native_handle(), SIGTERM);
  watcher_.join();
  gActive = false;
  pthread_sigmask(SIG_UNBLOCK, &gTaken, nullptr);
}

bool SignalStop::Active() { return gActive.load(); }

SoftInterrupt::SoftInterrupt() {
  gRequested = 0;
  if (SignalStop::Active()) {
    gSoft = true;
    return;
  }
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;  // the second Ctrl+C takes the previous way
  sigaction(SIGINT, &action, &gPrevious);
}

SoftInterrupt::~SoftInterrupt() {
  if (gSoft.exchange(false)) {
    gRequested = 0;
    return;
  }
  sigaction(SIGINT, &gPrevious, nullptr);
  gRequested = 0;
}

bool SoftInterrupt::Requested() { return gRequested.load() != 0; }

}  // namespace kova
