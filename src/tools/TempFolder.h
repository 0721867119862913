#pragma once
// A private folder for the temporary files of one run of a command, such as the pictures of a
// print document: "kova-PURPOSE-PID-XXXXXX" in the system's temporary folder ($TMPDIR, else
// /tmp), created for this user alone (mode 0700) and locked (an advisory lock on the folder)
// while it lives. It is removed with the files in it when the object ends, on every way out of
// the scope, and by the clean-up of a signal that stops the program (see SignalStop).
//
// A killed run cannot remove its folder; the next one of the same purpose does, and only what
// it can prove dead: a folder named in this pattern, of this user, whose process is gone and
// whose lock is free. Of such a folder only the plain files are removed, then the folder itself
// (which stays if anything else is inside).

#include <string>

namespace kova {

class TempFolder {
 public:
  // Creates the folder; throws KovaError 75 naming the folder and the reason when it cannot.
  explicit TempFolder(const std::string& purpose);
  // The same below `parent` instead of the system's temporary folder.
  TempFolder(const std::string& parent, const std::string& purpose);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, ending with "/".
  const std::string& Path() const { return path_; }
  // Removes the files in it and the folder; false when something could not be removed.
  bool Remove();

  // The system's temporary folder ($TMPDIR when it names a folder, else /tmp), ending with "/".
  static std::string SystemTempDir();

 private:
  std::string path_;
  int lock_ = -1;
  int registered_ = 0;  // the folder's entry in the TempRegistry
};

}  // namespace kova
