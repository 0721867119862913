#include "app/Cli.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>

#include "app/CliRegions.h"
#include "app/CliScan.h"
#include "app/CliSupport.h"
#include "app/ConsolePort.h"
#include "app/Check.h"
#include "engine/IMGeneration.h"
#include "engine/TcIMFrequencyBuffer.h"
#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/SignalStop.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"

namespace kova {

namespace {

const char* kUsage =
    "Usage: kova-cli COMMAND PROJECT [options]\n"
    "\n"
    "Commands:\n"
    "  describe PROJECT                      print the project description\n"
    "  products PROJECT [--im-only]          print the interfering products\n"
    "  check PROJECT [--log FILE] [--best]   run the compatibility check with a log\n"
    "  candidates PROJECT [--system K]       print the prepared candidate list\n"
    "  generate PROJECT [--runs N] [--keep K] [--add C] [--add2 C2] [--add-to K=N]...\n"
    "           [--systematic] [--optimise [--seconds S]] [--seed S] [--report FILE]\n"
    "           [--apply OUT]                search compatible frequencies\n"
    "  export PROJECT [--out FILE]           write the project text export\n"
    "  export PROJECT --csv [--out FILE]     write the channels as a CSV frequency list\n"
    "  import PROJECT LIST.csv [--system K] --apply OUT\n"
    "                                        append the channels of a CSV frequency list\n"
    "  scan PROJECT SCAN [--threshold DBM | --above-floor DB] [--system K] [--apply OUT]\n"
    "                                        exclude what a venue scan found on the air\n"
    "                                        from the search spectrum\n"
    "  print PROJECT --out FILE.rtf|FILE.pdf [--format rtf|pdf] [--sheet [--sort frequency|system]]\n"
    "           [--page a4|letter] [--theme light|dark]\n"
    "                                        write the print document (PDF pictures light\n"
    "                                        by default; --sheet adds the frequency sheet)\n"
    "  picture PROJECT --out FILE.png [--width W] [--height H] [--system K] [--zone Z]\n"
    "                                        draw the spectrum display zoomed to the data\n"
    "                                        (with --zone only that zone's systems and products)\n"
    "  system add PROJECT (--type LABEL | --like K) --apply OUT\n"
    "                                        add an empty system of a known type, or of\n"
    "                                        system K's type (search spectrum of system 0)\n"
    "  system remove PROJECT K --apply OUT   remove system K\n"
    "  regions                               list the TV channel tables with their channels\n"
    "  spectrum PROJECT --region NAME (--channels LIST | --except LIST) [--system K]\n"
    "           --apply OUT                  set the search spectrum from a table's channels\n"
    "                                        (LIST like \"23, 27, 31-33\"; --except: all but\n"
    "                                        those); every system without --system\n"
    "  zone PROJECT                          print the zones, their systems and relations\n"
    "  zone PROJECT --system K --zone Z [--name TEXT] --apply OUT\n"
    "                                        put system K into zone Z (and name the zone)\n"
    "  zone PROJECT --zone Z --name TEXT --apply OUT\n"
    "                                        name zone Z\n"
    "  zone PROJECT --between A B (together|near|apart) --apply OUT\n"
    "                                        set the relation between zones A and B\n"
    "\n"
    "Systems are numbered from 0 (the first) to 15; K in --system, --add-to K=N (N new\n"
    "channels for system K, repeatable) and --like names one of the project's systems.\n"
    "Zones are numbered from 1 to 16; every system is in zone 1 unless put elsewhere.\n"
    "Between two zones: together (checked as one zone), near (the default: spacing and\n"
    "receiver frequencies kept between them, no intermodulation across) or apart (nothing\n"
    "checked across: frequencies may be used in both). Zones together form one group;\n"
    "between two groups the closest relation of any of their zones holds.\n"
    "\n"
    "Common options:\n"
    "  --data-dir DIR   application directory (SystemData/, Presets/, Checks/ below it);\n"
    "                   default: $KOVA_HOME, else the per-user data directory\n"
    "  --help           this text\n";

// The project description with proposal number n, as the bytes of a text file.
std::string DescriptionText(const CProject& project, int32_t n) {
  StringSink text;
  project.GExport(text, n);
  return TL_Utf8ToAnsi(text.Text());
}

int Describe(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {}, {}, a, err) || !CLI_LoadProject(a, app, err)) return 2;
  out << DescriptionText(*app.project, 0);
  return 0;
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {"--out"}, {"--csv"}, a, err) || !CLI_CheckTargets(a, {"--out"}, err) ||
      !CLI_LoadProject(a, app, err))
    return 2;
  if (a.Has("--csv")) return CLI_ExportFrequencyList(a, app, out, err);
  std::string text = DescriptionText(*app.project, 1);
  std::string file = a.Option("--out");
  if (file.empty()) {
    out << text;
    return 0;
  }
  try {
    TL_WriteFileAtomic(file, std::vector<char>(text.begin(), text.end()));
  } catch (const std::exception& e) {
    CLI_WriteFailure(file, e, err);
    return 2;
  }
  return 0;
}

// One line per product: index, frequency, type, sub-type, count, the three sources (channel and
// system each) and the bin of the product's kilohertz (0 for single-channel products); then the
// largest bin. With several groups of zones the products of single channels come first, then
// each group's intermodulation products, counted per group.
int Products(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {}, {"--im-only"}, a, err) || !CLI_LoadProject(a, app, err)) return 2;
  const CProject& project = *app.project;
  const bool imOnly = a.Has("--im-only");
  std::vector<std::shared_ptr<TcIMFrequencyBuffer>> parts;
  const ZoneLayout zones = project.GZoneLayout();
  if (zones.Single()) {
    parts.push_back(project.GGetBadBuffer(imOnly));
  } else {
    if (!imOnly) {
      parts.push_back(std::make_shared<TcIMFrequencyBuffer>());
      project.GAddChannelProducts(*parts.back());
    }
    for (int32_t g = 0; g < zones.groups; ++g)
      parts.push_back(TL_IMProductsOf(project, zones.members[static_cast<size_t>(g)]));
  }
  char line[256];
  int32_t index = 0, binMax = 0;
  for (const std::shared_ptr<TcIMFrequencyBuffer>& buffer : parts) {
    for (int32_t i = 0; i < buffer->GCount(); ++i) {
      const TcIMFrequency& p = buffer->GcItem(i);
      int32_t bin = 0;
      if (TL_IsCountedIM(p.GeIMType())) {
        // The kilohertz the product was counted on (taken from its frequency before narrowing).
        int32_t khz = buffer->GlItemKHz(i);
        if (khz >= 0 && khz <= TcIMFrequencyBuffer::kMaxBin) bin = buffer->GGetBin(khz);
      }
      std::snprintf(line, sizeof line, "%d\t%.9g\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", index++, p.GdFreq(),
                    p.GeIMType(), p.GlIMSubType(), p.GlCountIM(), p.GlMicNr(0), p.GlSysNr(0), p.GlMicNr(1),
                    p.GlSysNr(1), p.GlMicNr(2), p.GlSysNr(2), bin);
      out << line;
    }
    binMax = std::max(binMax, buffer->GGetBinMax());
  }
  out << "binmax\t" << binMax << "\n";
  return 0;
}

// The full check with its log, without questions: --best answers Yes to the offer of the best
// compatible subset, the log is never opened.
int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CliArgs a;
  AppState app;
  if (!CLI_ParseArgs(args, {"--log"}, {"--best"}, a, err) || !CLI_CheckTargets(a, {"--log"}, err) ||
      !CLI_LoadProject(a, app, err))
    return 2;
  ConsolePort port(err);
  port.yesNoAnswer = a.Has("--best") ? kYes : kNo;
  port.okCancelAnswer = kCancel;
  port.printErrors = false;
  PortScope scope(port);
  CheckRunResult r = MN_RunCheckToFile(app, false, a.Option("--log"));
  if (!r.completed) {
    std::string where = r.logPath.empty() ? a.Option("--log", app.CheckDir()) : r.logPath;
    err << "kova-cli: " << TL_ShowName(where) << ": "
        << (port.lastError.empty() ? "the check could not be completed" : port.lastError) << "\n";
    return 2;
  }
  // The result sentence exactly as the log holds it (with its closing blank).
  out << (r.compatible ? "Channel configuration is compatible. " : "Channel configuration is not compatible. ") << "\n";
  out << TL_ShowName(r.logPath) << "\n";
  return r.compatible ? 0 : 1;
}

}  // namespace

int CLI_Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "kova-cli: no command given (see kova-cli --help)\n";
    return 2;
  }
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
  }
  // Questions get the command line's answers and errors reach stderr; subcommands that need
  // other answers install their own port on top.
  ConsolePort port(err);
  PortScope scope(port);
  const std::string& command = args[0];
  std::vector<std::string> rest(args.begin() + 1, args.end());
  try {
    if (command == "describe") return Describe(rest, out, err);
    if (command == "export") return Export(rest, out, err);
    if (command == "products") return Products(rest, out, err);
    if (command == "check") return Check(rest, out, err);
    if (command == "candidates") return CLI_Candidates(rest, out, err);
    if (command == "generate") return CLI_Generate(rest, out, err);
    if (command == "print") return CLI_Print(rest, out, err);
    if (command == "picture") return CLI_Picture(rest, err);
    if (command == "scan") return CLI_Scan(rest, out, err);
    if (command == "import") return CLI_Import(rest, out, err);
    if (command == "system") return CLI_System(rest, out, err);
    if (command == "regions") return CLI_Regions(rest, out, err);
    if (command == "spectrum") return CLI_Spectrum(rest, out, err);
    if (command == "zone") return CLI_Zone(rest, out, err);
  } catch (const std::exception& e) {
    err << "kova-cli: " << TL_ShowName(command) << ": " << e.what() << "\n";
    return 2;
  }
  err << "kova-cli: unknown command '" << TL_ShowName(args[0]) << "' (see kova-cli --help)\n";
  return 2;
}

int CLI_Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Ctrl+C, TERM, HUP and QUIT stop every command at once: temporary files and folders are
  // removed, every target stays as it was, and the exit code is 128 + the signal's number.
  SignalStop stop;
  return CLI_Run(args, std::cout, std::cerr);
}

}  // namespace kova
