// The print document as an office program reads it: a two-system document converted to PDF by
// LibreOffice, then the PDF's text and images checked with the poppler tools. Skipped only
// where soffice is not installed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/PersistenceTestSupport.h"
#include "app/PrintDocument.h"
#include "reports/RTF_Generate.h"
#include "support/TestPng.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"
#include "tools/Tools.h"

namespace kova {
namespace {

namespace fs = std::filesystem;

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command with its output in `outFile`; true on exit code 0.
bool Shell(const std::string& command, const std::string& outFile) {
  return std::system((command + " >'" + outFile + "' 2>&1").c_str()) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(RtfPdf, TwoSystemDocumentOpensWithTablesAndPictures) {
  if (!OnPath("soffice")) GTEST_SKIP() << "soffice is not installed";
  ASSERT_TRUE(OnPath("pdftotext") && OnPath("pdfimages")) << "poppler-utils are needed with soffice";

  test::TempDir dir;
  ScriptedPort port;
  PortScope scope(port);
  AppState app;
  test::InitApp(app, dir.Dir());
  ProjectRef project = test::SampleProject(app, true);
  project->GcSystem(1)->GcMics()->GAddMic("Guitar {L}", "Osprey Series", 475.25f, 33023, 0, 0, 0);

  // Two pictures of different sizes, so neither can be taken for the other.
  const uint32_t sizes[2][2] = {{240, 120}, {300, 100}};
  SpectrumPictureProvider pictures;
  pictures.draw = [&](int32_t s, const std::string& path) {
    test::WriteFile(path, test::MakePng(sizes[s][0], sizes[s][1], s == 0 ? 0x1060c0 : 0xc06010, 0xffff00));
    return true;
  };
  const std::string rtf = dir.File("plan.rtf");
  TempFolder folder(dir.Dir(), "print");
  MN_WriteRtfDocument(*project, rtf, folder, pictures);
  const std::vector<std::string> files = {dir.File("s0.png"), dir.File("s1.png")};
  const std::vector<RtfItem> items = RTF_ProjectItems(*project, "", files);
  ASSERT_TRUE(folder.Remove());

  // A fresh profile in a private HOME: no first-start dialog, no lock shared with a user.
  const std::string home = dir.Dir() + "home";
  fs::create_directory(home);
  const std::string convert = "cd '" + dir.Dir() + "' && HOME='" + home + "' soffice -env:UserInstallation=file://" +
                              home + "/profile --headless --norestore --convert-to pdf --outdir '" + dir.Dir() +
                              "' '" + rtf + "'";
  ASSERT_TRUE(Shell(convert, dir.File("soffice.log"))) << test::ReadFile(dir.File("soffice.log"));
  const std::string pdf = dir.File("plan.pdf");
  ASSERT_TRUE(fs::exists(pdf)) << test::ReadFile(dir.File("soffice.log"));
  if (const char* keep = std::getenv("KOVA_KEEP_PDF")) fs::copy_file(pdf, keep, fs::copy_options::overwrite_existing);

  // Every table cell's text is in the PDF (pdftotext writes UTF-8).
  ASSERT_TRUE(Shell("pdftotext '" + pdf + "' '" + dir.File("plan.txt") + "'", dir.File("pdftotext.log")));
  const std::string text = test::ReadFile(dir.File("plan.txt"));
  int cellsChecked = 0;
  for (const RtfItem& item : items) {
    if (item.kind == kRtfText) {
      EXPECT_NE(text.find(item.text.substr(0, item.text.find('\r'))), std::string::npos) << item.text;
    }
    if (item.kind != kRtfTable) continue;
    EXPECT_NE(text.find(item.text), std::string::npos) << item.text;
    for (const auto& row : item.cells) {
      for (const RtfCell& cell : row) {
        const std::string t = TL_Trim(cell.text);
        if (t.empty()) continue;
        EXPECT_NE(text.find(t), std::string::npos) << "cell text \"" << t << "\" missing";
        ++cellsChecked;
      }
    }
  }
  EXPECT_EQ(cellsChecked, (5 + 2 * 5) + 2 * (3 + 5 * 3) + (3 + 3 * 3 - 1) + (3 + 2 * 3));
  EXPECT_NE(text.find("Spectrum Display"), std::string::npos);

  // Both pictures, at their pixel sizes.
  ASSERT_TRUE(Shell("pdfimages -list '" + pdf + "'", dir.File("images.txt")));
  std::vector<std::string> images;
  for (const std::string& line : Lines(test::ReadFile(dir.File("images.txt")))) {
    std::istringstream in(line);
    std::string page, num, type, width, height;
    in >> page >> num >> type >> width >> height;
    if (type == "image") images.push_back(width + "x" + height);
  }
  std::sort(images.begin(), images.end());
  EXPECT_EQ(images, (std::vector<std::string>{"240x120", "300x100"})) << test::ReadFile(dir.File("images.txt"));
}

}  // namespace
}  // namespace kova
