#pragma once
// The question every command asks before it replaces or leaves a project with unsaved changes
// (New, Open, Exit, closing the frame, the start wizard): "Save the current Project?". Yes saves
// (which may ask for a file) and goes on only once the file is written; No goes on; Cancel stops,
// and so does a save that was cancelled or failed. A save made here is the clean state of the undo
// history, as one made by File > Save.

namespace kova {

struct AppState;

class SaveQuestion {
 public:
  // True: go on with the command; false: stop it, leaving the project as it is.
  static bool GoOn(AppState& app);
};

}  // namespace kova
