// The PDF of kova-cli print as a reader sees it: opened by the poppler tools, its pages, its
// text and the frequency sheet's order. Skipped only where poppler-utils are not installed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/Cli.h"
#include "app/PersistenceTestSupport.h"
#include "app/Storage.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command, const std::string& outFile) {
  EXPECT_EQ(std::system((command + " >'" + outFile + "' 2>&1").c_str()), 0) << command;
  return test::ReadFile(outFile);
}

// The sheet's lines ("#2 Label 470.500 Type") of the text up to the first system section.
bool AllDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The sheet's lines as (system number, frequency): a "#n" word, then the first word shaped ddd.ddd.
std::vector<std::pair<int, double>> SheetLines(const std::string& text) {
  std::vector<std::pair<int, double>> lines;
  const std::string sheet = text.substr(0, text.find("System #1:"));
  std::istringstream in(sheet);
  for (std::string l; std::getline(in, l);) {
    std::istringstream words(l);
    int system = 0;
    for (std::string w; words >> w;) {
      if (system == 0 && w.size() > 1 && w[0] == '#' && AllDigits(w.substr(1))) {
        system = std::stoi(w.substr(1));
      } else if (system != 0 && w.size() == 7 && w[3] == '.' && AllDigits(w.substr(0, 3)) && AllDigits(w.substr(4))) {
        lines.emplace_back(system, std::stod(w));
        break;
      }
    }
  }
  return lines;
}

TEST(PrintPdf, PagesTextAndTheSheetInTheOrderAsked) {
  if (!OnPath("pdfinfo") || !OnPath("pdftotext")) GTEST_SKIP() << "poppler-utils are not installed";
  test::TempDir dir;
  ScriptedPort port;
  PortScope scope(port);
  AppState app;
  test::InitApp(app, dir.Dir());
  ProjectRef project = test::SampleProject(app, true);
  // A third system with 120 channels: the sheet runs over three pages.
  project->GAddSystem(project->GcSystem(1)->GGetCopy(), project->GcSpectrumOf(1)->GGetCopy());
  std::vector<std::string> frequencies = {"518.200", "530.000", "640.025", "470.500"};
  for (int i = 0; i < 120; ++i) {
    const float f = 470.0f + 0.075f * static_cast<float>((i * 37) % 120);
    project->GcSystem(2)->GcMics()->GAddMic("Ch " + std::to_string(i), "Osprey Series", f, 65535, 0, 0, 0);
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", f);
    frequencies.push_back(text);
  }
  ASSERT_TRUE(MN_SaveProject(*project, dir.Dir(), "show.kova"));

  const struct {
    const char* sort;
    const char* page;
    const char* size;
  } cases[] = {{"frequency", "letter", "612 x 792 pts (letter)"}, {"system", "a4", "595 x 842 pts (A4)"}};
  for (const auto& c : cases) {
    const std::string pdf = dir.File(std::string("plan-") + c.sort + ".pdf");
    std::ostringstream out, err;
    ASSERT_EQ(CLI_Run({"print", dir.File("show.kova"), "--out", pdf, "--sheet", "--sort", c.sort, "--page", c.page,
                       "--data-dir", dir.Dir()},
                      out, err),
              0)
        << err.str();
    const std::string info = Output("pdfinfo '" + pdf + "'", dir.File("info.txt"));
    EXPECT_NE(info.find(c.size), std::string::npos) << info;
    const size_t pages = info.find("Pages:");
    ASSERT_NE(pages, std::string::npos) << info;
    // Three sheet pages (about 50 lines each), then a page or more per system.
    EXPECT_GE(std::atoi(info.c_str() + pages + 6), 6) << c.sort;

    // Page 1, the summary: file, zone, systems, the check's verdict and the hit channels.
    const std::string first = Output("pdftotext -layout -l 1 '" + pdf + "' -", dir.File("first.txt"));
    for (const char* part : {"Summary", "show.kova", "Zone 1: Zone 1, systems #1, #2, #3", "Osprey Series",
                             "Check: 125 channels are hit", "470.000 MHz (#3 Ch 0): Spacing to 470.075 MHz (#3 Ch 13)"})
      EXPECT_NE(first.find(part), std::string::npos) << part << "\n" << first;
    const std::string text = Output("pdftotext -layout '" + pdf + "' -", dir.File("text.txt"));
    for (const std::string& f : frequencies) EXPECT_NE(text.find(f), std::string::npos) << f;
    EXPECT_NE(text.find("System #3: Osprey Series"), std::string::npos);
    EXPECT_NE(text.find("Search Spectrum: 470.000 - 480.000 MHz"), std::string::npos);

    const auto lines = SheetLines(text);
    ASSERT_EQ(lines.size(), static_cast<size_t>(project->GlGetOverallMics())) << c.sort;
    for (size_t i = 1; i < lines.size(); ++i) {
      const bool ordered = std::string(c.sort) == "frequency"
                               ? lines[i - 1].second <= lines[i].second
                               : lines[i - 1].first < lines[i].first ||
                                     (lines[i - 1].first == lines[i].first && lines[i - 1].second <= lines[i].second);
      EXPECT_TRUE(ordered) << c.sort << " line " << i;
    }
    // A page of the sheet (after the summary's pages of hit channels) holds about fifty channels.
    size_t most = 0;
    for (const std::string page : {"2", "3", "4", "5"})
      most = std::max(most, SheetLines(Output("pdftotext -layout -f " + page + " -l " + page + " '" + pdf + "' -",
                                              dir.File("page.txt"))).size());
    EXPECT_GE(most, 45u) << c.sort;
  }
}

}  // namespace
}  // namespace kova
