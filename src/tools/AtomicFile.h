#pragma once
// Every file the program writes is written all or nothing: the bytes go to a temporary file in
// the target's folder, which is flushed to the disk and then renamed over the target. A failure
// at any point leaves the target as it was and removes the temporary file, so a reader only
// ever sees the old or the complete new file.
//
// The temporary file of target NAME is ".NAME.kova-tmp-PID-XXXXXX": the writer's process id and
// six random letters or digits. A name too long for that keeps its first bytes and gets "~" and
// a hash of the whole name in place of the rest, so the temporary name stays within 255 bytes
// and still belongs to that one target. The writer holds an advisory lock on its temporary file
// until the rename. Before writing, a writer removes the temporary files of the same target that
// killed runs left behind, and only those it can prove dead: named in this pattern, owned by the
// same user, their process gone and their lock free. A live writer's file, or any other file
// (whatever its name), is never touched.
//
// A target that already exists as a device or a pipe (/dev/stdout, a FIFO) is written straight
// into: it cannot be replaced, and there is nothing to keep. A pipe that nobody reads fails at
// once instead of waiting for a reader. A symbolic link is followed, so the file it names is
// replaced and the link stays; a link to nothing is refused. A folder, or a name ending in "/",
// is refused. The temporary file is listed in the TempRegistry while it exists, so that a
// signal that stops the program removes it (see SignalStop).
//
// Every failure throws a KovaError that names the target and the system's reason.

#include <cstddef>
#include <string>

namespace kova {

class AtomicFile {
 public:
  // Creates the temporary file beside `path` after removing dead leftovers of earlier runs.
  // Throws KovaError 75 when the file cannot be created, and for a folder that does not exist 76
  // (the binary files) or 75 (the text files, which report every failure to open alike).
  enum class MissingFolder { kPathNotFound, kAccessError };
  explicit AtomicFile(const std::string& path, MissingFolder missing = MissingFolder::kPathNotFound);
  // Without a Commit the temporary file is removed and the target stays as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends bytes; throws KovaError 61 when they cannot be written (the target is untouched).
  void Write(const char* data, size_t size);
  void Write(const std::string& bytes) { Write(bytes.data(), bytes.size()); }
  // Flushes, syncs and renames the temporary file over the target. Throws KovaError (61 when the
  // bytes cannot be written, 75 when the rename fails); the temporary file is then removed.
  void Commit();
  // Puts the written file in place as `path` (in the target's folder) only when no file of that
  // name exists: false when one does (the written file is kept for another name), true when it
  // was put in place. Throws KovaError as Commit does.
  bool CommitNew(const std::string& path);
  // Removes the temporary file; the target stays as it was.
  void Discard();

  // The name the temporary files of target file name `name` begin with (without the process id
  // and the random part).
  static std::string TempPrefix(const std::string& name);

 private:
  void FlushBuffer();
  // Flushes, syncs and closes the temporary file.
  void Finish();
  [[noreturn]] void Fail(int number, const char* description, int errnum);

  std::string shown_;   // the target as the caller named it, for messages
  std::string target_;  // the file replaced on Commit
  std::string temp_;    // the temporary file; empty when writing straight into a device
  std::string buffer_;
  int fd_ = -1;
  int registered_ = 0;  // the temporary file's entry in the TempRegistry
};

// Whether process `pid` runs (or may run: it exists but belongs to another user).
bool TL_ProcessAlive(long pid);
// The process id in a temporary name `prefix` + "PID-XXXXXX" (six letters or digits), or 0 when
// `name` is not one.
long TL_TempNameOwner(const std::string& name, const std::string& prefix);

}  // namespace kova
