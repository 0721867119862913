// kova-cli system add / remove: a receiver system put into or taken out of a project, which is
// then saved under another name.

#include <ostream>
#include <string>

#include "app/CliSupport.h"
#include "app/Storage.h"
#include "app/SystemCommands.h"
#include "tools/Tools.h"

namespace kova {

namespace {

// "System #3 (--system 2)": how the reports and the options name system `slot`.
std::string SystemName(int32_t slot) {
  return "System #" + TL_Str(slot + 1) + " (--system " + TL_Str(slot) + ")";
}

int Add(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, {"--type", "--like", "--apply"}, {}, a, err)) return 2;
  const bool byType = a.options.count("--type") > 0, byLike = a.options.count("--like") > 0;
  if (byType == byLike) {
    err << "kova-cli: system add needs either --type LABEL or --like K\n";
    return 2;
  }
  const std::string applyFile = a.Option("--apply");
  if (applyFile.empty()) {
    err << "kova-cli: system add needs --apply OUT (the project file to write)\n";
    return 2;
  }
  AppState app;
  if (!CLI_CheckTargets(a, {"--apply"}, err) || !CLI_LoadProject(a, app, err)) return 2;
  if (app.project->GlSystems() >= kMaxSystems) {
    err << "kova-cli: " << TL_ShowName(a.project) << ": the project holds " << kMaxSystems << " systems already\n";
    return 2;
  }
  int32_t slot = -1;
  if (byType) {
    const TypeRef type = MN_FindSystemType(app, a.Option("--type"));
    if (!type) {
      std::string known;
      for (const TypeRef& t : app.systems) known += (known.empty() ? "" : ", ") + TL_ShowName(t->GsGetLabel());
      err << "kova-cli: no system type '" << TL_ShowName(a.Option("--type")) << "' (known: " << known << ")\n";
      return 2;
    }
    slot = MN_AddSystem(app, *type);
  } else {
    int32_t like = 0;
    if (!CLI_ReadSystemNumber(a.Option("--like"), "option --like", app.project->GlSystems(), like, err)) return 2;
    slot = MN_AddSystemLike(app, like);
  }
  if (!MN_SaveProjectTo(*app.project, applyFile)) return 2;
  out << SystemName(slot) << " added: " << TL_ShowName(app.project->GcSystem(slot)->GcSystemType()->GsGetLabel()) << "\n"
      << CLI_WrittenLine(applyFile);
  return 0;
}

int Remove(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  if (!CLI_ParseArgs(args, CliGrammar{{"--apply"}, {}, {}, 1}, a, err)) return 2;
  if (a.plain.empty()) {
    err << "kova-cli: system remove needs the number K of the system to remove (see kova-cli --help)\n";
    return 2;
  }
  const std::string applyFile = a.Option("--apply");
  if (applyFile.empty()) {
    err << "kova-cli: system remove needs --apply OUT (the project file to write)\n";
    return 2;
  }
  AppState app;
  int32_t slot = 0;
  if (!CLI_CheckTargets(a, {"--apply"}, err) || !CLI_LoadProject(a, app, err) ||
      !CLI_ReadSystemNumber(a.plain[0], "system", app.project->GlSystems(), slot, err))
    return 2;
  if (app.project->GlSystems() == 1) {
    err << "kova-cli: " << TL_ShowName(a.project) << ": the only system of a project cannot be removed\n";
    return 2;
  }
  const std::string label = app.project->GcSystem(slot)->GcSystemType()->GsGetLabel();
  MN_RemoveSystem(app, slot);
  if (!MN_SaveProjectTo(*app.project, applyFile)) return 2;
  out << SystemName(slot) << " removed: " << TL_ShowName(label) << "\n" << CLI_WrittenLine(applyFile);
  return 0;
}

}  // namespace

int CLI_System(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string action = args.empty() ? "" : args[0];
  const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  if (action == "add") return Add(rest, out, err);
  if (action == "remove") return Remove(rest, out, err);
  err << "kova-cli: system needs add or remove (see kova-cli --help)\n";
  return 2;
}

}  // namespace kova
