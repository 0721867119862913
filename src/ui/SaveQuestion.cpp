#include "ui/SaveQuestion.h"

#include "app/AppState.h"
#include "app/Commands.h"
#include "ui/ProjectHistory.h"

namespace kova {

bool SaveQuestion::GoOn(AppState& app) {
  const bool unsaved = app.flags.projectModified;
  const bool goOn = AskSaveProject(app);
  if (unsaved && !app.flags.projectModified)
    if (ProjectHistory* history = ProjectHistory::Current()) history->MarkSaved();
  return goOn;
}

}  // namespace kova
