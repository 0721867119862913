#include "app/CliSupport.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <system_error>

#include <sys/stat.h>

#include "app/Commands.h"
#include "app/Storage.h"
#include "tools/Tools.h"

namespace kova {

std::string CliArgs::Option(const std::string& name, const std::string& fallback) const {
  auto it = options.find(name);
  return it == options.end() ? fallback : it->second;
}

namespace {

// "-1", "-0.5": a negative number, which is an argument rather than an option.
bool IsNegativeNumber(const std::string& a) {
  return a.size() > 1 && a[0] == '-' && ((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
}

bool IsOption(const std::string& a) { return a.size() > 1 && a[0] == '-' && !IsNegativeNumber(a); }

}  // namespace

bool CLI_ParseArgs(const std::vector<std::string>& args, const CliGrammar& grammar, CliArgs& out, std::ostream& err) {
  out = CliArgs{};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsOption(a)) {
      std::string name = a, value;
      bool inlineValue = false;
      if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = a.substr(0, eq);
        value = a.substr(eq + 1);
        inlineValue = true;
      }
      const bool takesValue = name == "--data-dir" || grammar.values.count(name) > 0;
      if (!takesValue && !(grammar.flags.count(name) && !inlineValue)) {
        err << "kova-cli: unknown option '" << TL_ShowName(a) << "' (see kova-cli --help)\n";
        return false;
      }
      if ((out.repeated.count(name) || out.flags.count(name)) && !grammar.repeatable.count(name)) {
        err << "kova-cli: option " << name << " is given more than once\n";
        return false;
      }
      if (!takesValue) {
        out.flags.insert(name);
        continue;
      }
      if (!inlineValue) {
        if (i + 1 >= args.size()) {
          err << "kova-cli: option " << name << " needs a value\n";
          return false;
        }
        value = args[++i];
      }
      out.options[name] = value;
      out.repeated[name].push_back(value);
    } else if (out.project.empty()) {
      out.project = a;
    } else if (out.plain.size() < grammar.plain) {
      out.plain.push_back(a);
    } else {
      err << "kova-cli: unexpected argument '" << TL_ShowName(a) << "' (see kova-cli --help)\n";
      return false;
    }
  }
  if (out.project.empty()) {
    err << "kova-cli: no project file given (see kova-cli --help)\n";
    return false;
  }
  return true;
}

bool CLI_ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                   const std::set<std::string>& flagOptions, CliArgs& out, std::ostream& err) {
  return CLI_ParseArgs(args, CliGrammar{valueOptions, flagOptions, {}, 0}, out, err);
}

bool CLI_ParseWhole(const std::string& text, int64_t& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  auto [end, ec] = std::from_chars(first, last, value);
  return first != last && ec == std::errc() && end == last;
}

bool CLI_ReadWhole(const CliArgs& args, const std::string& name, int64_t fallback, int64_t low, int64_t high,
                   int64_t& value, std::ostream& err) {
  value = fallback;
  auto it = args.options.find(name);
  if (it == args.options.end()) return true;
  if (!CLI_ParseWhole(it->second, value) || value < low || value > high) {
    err << "kova-cli: option " << name << " needs a whole number from " << low << " to " << high << ", not '"
        << TL_ShowName(it->second) << "'\n";
    return false;
  }
  return true;
}

bool CLI_ReadSystemNumber(const std::string& text, const std::string& what, int32_t count, int32_t& slot,
                          std::ostream& err) {
  int64_t value = -1;
  if (CLI_ParseWhole(text, value) && value >= 0 && value < count) {
    slot = static_cast<int32_t>(value);
    return true;
  }
  err << "kova-cli: " << what << " must be a system of the project, ";
  if (count == 1)
    err << "0 (its only system)";
  else if (count == 2)
    err << "0 or 1";
  else
    err << "0 to " << count - 1;
  err << ", not '" << TL_ShowName(text) << "'\n";
  return false;
}

bool CLI_ReadSystem(const CliArgs& args, const std::string& name, int32_t count, int32_t fallback, int32_t& slot,
                    std::ostream& err) {
  slot = fallback;
  auto it = args.options.find(name);
  return it == args.options.end() || CLI_ReadSystemNumber(it->second, "option " + name, count, slot, err);
}

namespace {

// Whether `a` and `b` are one existing file (the same device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa{}, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// Whether two output names are one file: the same existing file, or the same place.
bool SamePlace(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  if (SameFile(a, b)) return true;
  std::error_code ea, eb;
  const fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
  const fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
  return !ea && !eb && pa == pb;
}

}  // namespace

bool CLI_CheckTargets(const CliArgs& args, const std::vector<std::string>& outputs, std::ostream& err,
                      const std::vector<CliInput>& inputs) {
  namespace fs = std::filesystem;
  std::vector<CliInput> read = inputs;
  read.insert(read.begin(), CliInput{args.project, "project"});
  std::vector<std::string> seen;  // the options checked so far
  for (const std::string& option : outputs) {
    auto it = args.options.find(option);
    if (it == args.options.end()) continue;
    const std::string& path = it->second;
    if (path.empty()) {
      err << "kova-cli: option " << option << " needs the name of a file to write\n";
      return false;
    }
    std::error_code ec;
    if (TL_IsSeparator(path.back()) || fs::is_directory(path, ec)) {
      err << "kova-cli: " << TL_ShowName(path) << ": is a folder; give the name of a file to write\n";
      return false;
    }
    if (fs::is_symlink(fs::symlink_status(path, ec)) && !fs::exists(path, ec)) {
      err << "kova-cli: " << TL_ShowName(path) << ": is a link to a file that does not exist; nothing written\n";
      return false;
    }
    for (const CliInput& input : read) {
      if (input.path.empty() || !SameFile(path, input.path)) continue;
      err << "kova-cli: " << TL_ShowName(path) << " is the " << input.what << " being read\n";
      return false;
    }
    for (const std::string& other : seen) {
      if (!SamePlace(path, args.options.at(other))) continue;
      err << "kova-cli: " << other << " and " << option << " name the same file " << TL_ShowName(path) << "\n";
      return false;
    }
    seen.push_back(option);
  }
  return true;
}

void CLI_WriteFailure(const std::string& path, const std::exception& e, std::ostream& err) {
  // The file that failed, where the failure names one (a temporary folder, a picture).
  const auto* k = dynamic_cast<const KovaError*>(&e);
  const std::string& file = k && !k->file().empty() && !k->reason().empty() ? k->file() : path;
  err << "kova-cli: " << TL_ShowName(file) << ": cannot be written (" << TL_ErrorReason(e) << ")\n";
}

std::string CLI_WrittenLine(const std::string& path) { return "project written to " + TL_ShowName(path) + "\n"; }

bool CLI_LoadProject(const CliArgs& args, AppState& app, std::ostream& err) {
  std::string dataDir = args.Option("--data-dir");
  app.appDir = dataDir.empty() ? TL_DefaultAppDirectory() : TL_AddBackslash(dataDir);
  MN_StartUp(app);

  ProjectReadResult r = MN_ReadProjectFile(app, args.project);
  switch (r.status) {
    case ProjectReadStatus::kUnreadable:
      err << "kova-cli: " << TL_ShowName(args.project) << ": " << r.readError << "\n";
      return false;
    case ProjectReadStatus::kBadHeader:
      err << "kova-cli: " << TL_ShowName(args.project) << ": old or bad file format (not a project file)\n";
      return false;
    case ProjectReadStatus::kBadRecord:
      if (r.tooManyChannels)
        err << "kova-cli: " << TL_ShowName(args.project) << ": error during load (more than "
            << TL_GroupedNumber(kMaxProjectChannels) << " channels; a project holds at most "
            << TL_GroupedNumber(kMaxProjectChannels) << ")\n";
      else
        err << "kova-cli: " << TL_ShowName(args.project) << ": error during load (damaged or truncated project)\n";
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
