#include "app/SystemSlotsBridge.h"

namespace kova {

int32_t MN_AddSystemOfType(AppState& app, const CSystemType& type) {
  CProject& project = *app.project;
  auto system = std::make_shared<CSystemInstance>();
  system->GDefine(type.GGetCopy());
  return project.GAddSystem(system, project.GcSpectrumOf(0)->GGetCopy());
}

bool MN_RemoveSystemAt(AppState& app, int32_t k) { return app.project->GRemoveSystem(k); }

}  // namespace kova
