#pragma once
// Undo and redo of the desktop program. Each step keeps the project as it was before and after
// the change (deep copies), with the current system and the highlighted channel. The history
// keeps a copy of the state as last recorded; wherever a change has been committed (the main
// window's tables and panels, the end of a drag in the display, "Use" of a proposal, the
// refresh after imports and the wizard) Record compares the project with that copy and pushes
// a step when the project's file bytes differ. The current system and the highlighted channel
// travel with the steps but do not make one of their own.

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "model/CProject.h"

class QUndoStack;

namespace kova {

struct AppState;

class ProjectHistory : public QObject {
  Q_OBJECT
 public:
  // The project's state as one step keeps it; never changed once taken.
  struct State {
    ProjectRef project;
    std::vector<char> bytes;
    int32_t current = 0;
    int32_t highlighted = 0;
  };

  // `app` must outlive the history. The newest history is the one the windows reach (Current).
  explicit ProjectHistory(AppState& app, QObject* parent = nullptr);
  ~ProjectHistory() override;

  // The history of the program; nullptr when there is none (windows tested alone).
  static ProjectHistory* Current();
  // Names the change about to be recorded ("Remove 3 channels"); the next step takes it.
  static void SetLabel(const QString& label);
  // Records the change committed last when the project differs from the recorded state. Steps
  // of `typing` with the same label one after another become one (a number typed key by key).
  static void Note(const QString& label = QString(), bool typing = false);

  QUndoStack* Stack() const { return stack_; }
  // Pushes a step when the project differs from the recorded state; `label` (else the label set
  // before, else "Edit") names it. Does nothing while a step is being undone or redone. A
  // different project without unsaved changes (opened or new) starts the history anew.
  void Record(const QString& label = QString(), bool typing = false);
  // A new or opened project: no steps, and the state as it is now is the recorded one.
  void Reset();
  // The project was saved: the state as it is now is the clean one.
  void MarkSaved();
  void ClearLabel() { label_.clear(); }

  // Puts `state` back as the project the user sees (a copy of it); `modified` tells whether it
  // differs from the saved one.
  void Restore(const std::shared_ptr<const State>& state, bool modified);

 private:
  std::shared_ptr<const State> Take() const;
  void Push(std::shared_ptr<const State> now, const QString& label, bool typing);

  AppState& app_;
  QUndoStack* stack_;
  std::shared_ptr<const State> recorded_;
  QString label_;
  bool restoring_ = false;
};

}  // namespace kova
