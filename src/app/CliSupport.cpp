#include "app/CliSupport.h"

#include <ostream>

#include "app/Commands.h"
#include "app/Storage.h"
#include "tools/Tools.h"

namespace kova {

std::string CliArgs::Option(const std::string& name, const std::string& fallback) const {
  auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

bool CLI_ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, CliArgs& out, std::ostream& err) {
  out = CliArgs{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-') {
      std::string name = a, value;
      bool inlineValue = false;
      if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      if (name == "--data-dir" || valueOptions.count(name)) {
        if (!inlineValue) {
          if (i + 1 >= args.size()) {
            err << "kova-cli: option " << name << " needs a value\n";
            return false;
          }
          value = args[++i];
        }
        out.options[name] = value;
        out.repeated[name].push_back(value);
      } else if (flagOptions.count(name) && !inlineValue) {
        out.flags.insert(name);
      } else {
        err << "kova-cli: unknown option '" << a << "' (see kova-cli --help)\n";
        return false;
      }
    } else if (out.project.empty()) {
      out.project = a;
    } else {
      err << "kova-cli: unexpected argument '" << a << "' (see kova-cli --help)\n";
      return false;
    }
  }
  if (out.project.empty()) {
    err << "kova-cli: no project file given (see kova-cli --help)\n";
    return false;
  }
  return true;
}

bool CLI_LoadProject(const CliArgs& args, AppState& app, std::ostream& err) {
  std::string dataDir = args.Option("--data-dir");
  app.appDir = dataDir.empty() ? TL_DefaultAppDirectory() : TL_AddBackslash(dataDir);
  MN_StartUp(app);

  ProjectReadResult r = MN_ReadProjectFile(app, args.project);
  switch (r.status) {
    case ProjectReadStatus::kUnreadable:
      err << "kova-cli: " << args.project << ": " << r.readError << "\n";
      return false;
    case ProjectReadStatus::kBadHeader:
      err << "kova-cli: " << args.project << ": old or bad file format (not a project file)\n";
      return false;
    case ProjectReadStatus::kBadRecord:
      err << "kova-cli: " << args.project << ": error during load (damaged or truncated project)\n";
      return false;
    case ProjectReadStatus::kLoaded:
      break;
  }
  app.project = r.project;
  size_t sep = args.project.find_last_of("\\/");
  app.projectDir = sep == std::string::npos ? "" : args.project.substr(0, sep + 1);
  app.projectFile = sep == std::string::npos ? args.project : args.project.substr(sep + 1);
  app.bSaveTarget = TL_ToLower(TL_GetExtension(app.projectFile)) == "kova";
  return true;
}

}  // namespace kova
