#include "app/SystemCommands.h"

#include <algorithm>

#include "tools/Tools.h"

namespace kova {

namespace {

// The entries of the slots after k move up one with their systems; the last becomes empty.
template <class Array>
void ShiftOut(Array& perSlot, int32_t k) {
  std::rotate(perSlot.begin() + k, perSlot.begin() + k + 1, perSlot.end());
  perSlot.back() = {};
}

}  // namespace

TypeRef MN_FindSystemType(const AppState& app, const std::string& label) {
  for (const TypeRef& type : app.systems)
    if (type->GsGetLabel() == label) return type;
  for (const TypeRef& type : app.systems)
    if (TL_ToLower(type->GsGetLabel()) == TL_ToLower(label)) return type;
  return nullptr;
}

int32_t MN_AddSystem(AppState& app, const CSystemType& type) {
  CProject& project = *app.project;
  if (project.GlSystems() >= kMaxSystems) return -1;
  auto system = std::make_shared<CSystemInstance>();
  system->GDefine(type.GGetCopy());
  const int32_t slot = project.GAddSystem(system, project.GcSpectrumOf(0)->GGetCopy());
  if (slot < 0) return -1;
  app.scanCuts[static_cast<size_t>(slot)].clear();
  TL_SetChanged(app.flags, true, false, false, false);
  return slot;
}

int32_t MN_AddSystemLike(AppState& app, int32_t k) {
  if (k < 0 || k >= app.project->GlSystems()) return -1;
  const TypeRef type = app.project->GcSystem(k)->GcSystemType();
  return MN_AddSystem(app, *type);
}

bool MN_RemoveSystem(AppState& app, int32_t k) {
  CProject& project = *app.project;
  const int32_t used = project.GlSystems();
  if (!project.GRemoveSystem(k)) return false;
  if (used > 2) {
    ShiftOut(app.scanCuts, k);
  } else if (k == 0) {
    // The removed system stays behind in slot 1, switched off.
    std::swap(app.scanCuts[0], app.scanCuts[1]);
  }
  app.highlighted = 0;
  TL_SetChanged(app.flags, true, false, false, false);
  return true;
}

void MN_SetAddCount(AppState& app, int32_t k, int32_t n) {
  if (k < 0 || k >= app.project->GlSlots()) return;
  app.project->GcSystem(k)->GlAddCount(std::clamp(n, 0, kMaxAddCount));
}

std::vector<int32_t> MN_AddCounts(const AppState& app) {
  std::vector<int32_t> counts;
  for (int32_t k = 0; k < app.project->GlSystems(); ++k) counts.push_back(app.project->GcSystem(k)->GlAddCount());
  return counts;
}

}  // namespace kova
