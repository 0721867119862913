#pragma once
// Stopping a command-line run at once when it is interrupted, without leaving anything behind.
//
// While a SignalStop lives, INT, TERM, HUP and QUIT reach no thread of the program but one
// watcher thread (a signal the program was started with ignored stays ignored). On such a signal the watcher removes every temporary file and folder listed in
// the TempRegistry and ends the process with exit code 128 + the signal number (130 for Ctrl+C,
// 143 for TERM). Targets are only ever replaced by renaming a complete temporary file over them,
// so the old target stays as it was.
//
// The registry's lock is held while a temporary file is created and registered, and while it is
// renamed over its target and taken off the list. The watcher takes the same lock, so a file is
// either not yet created or listed, and a rename has either happened or not begun: the signals
// wait only for the final rename.
//
// A SoftInterrupt turns the first Ctrl+C into a request that the running work polls
// (SoftInterrupt::Requested), for commands that end their work early and still report it; a
// second Ctrl+C, or any other of the signals, stops at once.

#include <mutex>
#include <string>
#include <thread>

namespace kova {

class TempRegistry {
 public:
  // The lock that creating, renaming and removing a registered temporary file is done under.
  static std::unique_lock<std::mutex> Lock();
  // Lists `path` (a file, or a folder whose plain files go with it); `lock` is the Lock() held.
  // Returns the entry's number for Drop.
  static int Add(const std::string& path, bool folder, const std::unique_lock<std::mutex>& lock);
  // Takes entry `id` off the list (it was renamed or removed); `lock` is the Lock() held.
  static void Drop(int id, const std::unique_lock<std::mutex>& lock);
  // Removes every listed file, then every listed folder, each in the reverse order of listing;
  // `lock` is the Lock() held.
  static void RemoveAll(const std::unique_lock<std::mutex>& lock);
};

class SignalStop {
 public:
  SignalStop();
  // Stops the watcher; a signal that came meanwhile then takes its usual effect.
  ~SignalStop();
  SignalStop(const SignalStop&) = delete;
  SignalStop& operator=(const SignalStop&) = delete;
  // Whether a SignalStop lives.
  static bool Active();

 private:
  std::thread watcher_;
};

class SoftInterrupt {
 public:
  SoftInterrupt();
  ~SoftInterrupt();
  SoftInterrupt(const SoftInterrupt&) = delete;
  SoftInterrupt& operator=(const SoftInterrupt&) = delete;
  // Whether Ctrl+C asked the work to end since the scope began.
  static bool Requested();
};

}  // namespace kova
