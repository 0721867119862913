#include "ui/ProjectHistory.h"

#include <QUndoCommand>
#include <QUndoStack>

#include "app/AppState.h"
#include "files/ProjectFile.h"

namespace kova {

namespace {

ProjectHistory* g_current = nullptr;

// One step: the states before and after. Pushing it runs redo once, for a change that has
// happened already: that first redo does nothing.
class ProjectStep : public QUndoCommand {
 public:
  ProjectStep(ProjectHistory& history, std::shared_ptr<const ProjectHistory::State> before,
              std::shared_ptr<const ProjectHistory::State> after, const QString& label, bool typing)
      : QUndoCommand(label),
        history_(history),
        before_(std::move(before)),
        after_(std::move(after)),
        typing_(typing) {}

  // Typing steps with the same label merge (the stack never merges into its clean state).
  int id() const override { return typing_ ? 1 : -1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = dynamic_cast<const ProjectStep*>(other);
    if (!next || next->text() != text()) return false;
    after_ = next->after_;
    return true;
  }

  void undo() override {
    const QUndoStack& stack = *history_.Stack();
    history_.Restore(before_, stack.index() - 1 != stack.cleanIndex());
  }
  void redo() override {
    if (pushed_) {
      pushed_ = false;
      return;
    }
    const QUndoStack& stack = *history_.Stack();
    history_.Restore(after_, stack.index() + 1 != stack.cleanIndex());
  }

 private:
  ProjectHistory& history_;
  std::shared_ptr<const ProjectHistory::State> before_;
  std::shared_ptr<const ProjectHistory::State> after_;
  bool typing_ = false;
  bool pushed_ = true;
};

}  // namespace

ProjectHistory::ProjectHistory(AppState& app, QObject* parent)
    : QObject(parent), app_(app), stack_(new QUndoStack(this)) {
  g_current = this;
  recorded_ = Take();
  // Back at the saved state the project has no unsaved changes; away from it, it has.
  connect(stack_, &QUndoStack::cleanChanged, this, [this](bool clean) {
    if (clean)
      TL_SetChanged(app_.flags, false, false, true, false);
    else
      app_.flags.projectModified = true;
  });
}

ProjectHistory::~ProjectHistory() {
  if (g_current == this) g_current = nullptr;
  // The stack clears itself when it goes: the menu items may be gone already.
  stack_->blockSignals(true);
}

ProjectHistory* ProjectHistory::Current() { return g_current; }

void ProjectHistory::SetLabel(const QString& label) {
  if (g_current) g_current->label_ = label;
}

void ProjectHistory::Note(const QString& label, bool typing) {
  if (g_current) g_current->Record(label, typing);
}

std::shared_ptr<const ProjectHistory::State> ProjectHistory::Take() const {
  auto state = std::make_shared<State>();
  if (!app_.project) return state;  // before the start-up made one
  state->project = app_.project->GGetCopy();
  state->bytes = MN_ProjectFileBytes(*state->project);
  state->current = app_.project->GlCurr();
  state->highlighted = app_.highlighted;
  return state;
}

void ProjectHistory::Record(const QString& label, bool typing) {
  if (restoring_ || !app_.project) return;
  std::shared_ptr<const State> now = Take();
  if (now->bytes == recorded_->bytes || !recorded_->project) {
    // Another system or channel chosen is no change of its own: the next step starts from it.
    // A label set for a change that did not happen names nothing.
    recorded_ = std::move(now);
    label_.clear();
    return;
  }
  // Every change marks the project modified; another project without unsaved changes was
  // created or read (New, Open, the command line): its history starts here.
  if (!app_.flags.projectModified) {
    stack_->clear();
    recorded_ = std::move(now);
    label_.clear();
    return;
  }
  Push(std::move(now), label, typing);
}

void ProjectHistory::Push(std::shared_ptr<const State> now, const QString& label, bool typing) {
  QString text = !label.isEmpty() ? label : label_;
  if (text.isEmpty()) text = QStringLiteral("Edit");
  label_.clear();
  std::shared_ptr<const State> before = std::move(recorded_);
  recorded_ = now;
  stack_->push(new ProjectStep(*this, std::move(before), std::move(now), text, typing));
}

void ProjectHistory::Reset() {
  stack_->clear();
  label_.clear();
  recorded_ = Take();
}

void ProjectHistory::MarkSaved() {
  // A change not recorded yet is one step before the saved state.
  std::shared_ptr<const State> now = Take();
  if (recorded_->project && now->bytes != recorded_->bytes) Push(std::move(now), QString(), false);
  stack_->setClean();
}

void ProjectHistory::Restore(const std::shared_ptr<const State>& state, bool modified) {
  restoring_ = true;
  app_.project = state->project->GGetCopy();
  app_.project->GlCurr(state->current);
  app_.highlighted = state->highlighted;
  app_.flags.productsStale = true;
  app_.flags.projectModified = modified;
  ++app_.flags.changes;  // the marks of the last check belong to another project
  recorded_ = state;
  try {
    MN_RefreshViews(2);
  } catch (...) {
    restoring_ = false;
    throw;
  }
  restoring_ = false;
}

}  // namespace kova
