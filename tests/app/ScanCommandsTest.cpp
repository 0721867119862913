#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Commands.h"
#include "app/PersistenceTestSupport.h"
#include "app/ScanCommands.h"
#include "files/FrequencyList.h"
#include "support/TestSupport.h"
#include "tools/ScriptedPort.h"

namespace kova {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::pair<float, float>> Bands(const CSpectrum& s) {
  std::vector<std::pair<float, float>> out;
  for (int32_t i = 1; i <= s.GlBands(); ++i) out.emplace_back(s.GxGetBand(i)->GfLo(), s.GxGetBand(i)->GfHi());
  return out;
}

class ScanCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::InitApp(app, dir.Dir());  // the first built-in type, searching 10..1000 MHz
    // 518..522 MHz every 50 kHz at -100 dBm, a carrier on 520.000.
    std::string text = "MHz;dBm\n";
    for (int i = 0; i <= 80; ++i) text += std::to_string(518.0 + i * 0.05) + ";" + (i == 40 ? "-40" : "-100") + "\n";
    WriteFile(dir.File("scan.csv"), text);
  }

  TempDir dir;
  AppState app;
  ScriptedPort port;
  PortScope scope{port};
};

TEST_F(ScanCommandsTest, ImportScanCutsTheSearchSpectrumOfEverySystemInUse) {
  port.fileAnswers = {dir.File("scan.csv")};
  port.inputAnswers = {"-60"};
  ASSERT_TRUE(MN_ImportScan(app));
  EXPECT_EQ(app.scan.size(), 81u);
  // The carrier's bin and half the type's 0.4 MHz spacing on each side.
  const auto bands = Bands(*app.project->GcSpectrum());
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].first, 10.0f);
  EXPECT_NEAR(bands[0].second, 519.775, 1e-4);
  EXPECT_NEAR(bands[1].first, 520.225, 1e-4);
  EXPECT_EQ(bands[1].second, 1000.0f);
  EXPECT_TRUE(app.flags.projectModified);
  EXPECT_TRUE(app.flags.productsStale);
  EXPECT_EQ(port.refreshes, std::vector<int>{2});
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].text, "Noise floor of the scan: -100.0 dBm.\nExclude the frequencies above this level (dBm):");
  EXPECT_EQ(port.messages[1].text, "1 range above -60.0 dBm excluded from the search spectrum:\n519.775 - 520.225");

  // New (without saving the change) forgets the scan.
  port.answers = {kNo};
  ASSERT_TRUE(MN_FileNew(app));
  EXPECT_TRUE(app.scan.empty());

  // A second system in use is cut as well, by its own type's width (Osprey Series: 0.3 MHz), and
  // system 1 also while system 2 is the current one.
  app.project->GbSecondSystem(true);
  app.project->GcSystem(1)->GDefine(app.systems[3]->GGetCopy());
  app.project->GlCurr(1);
  port.fileAnswers = {dir.File("scan.csv")};
  port.inputAnswers = {"-60"};
  ASSERT_TRUE(MN_ImportScan(app));
  EXPECT_EQ(Bands(*app.project->GcSpectrumOf(0)), bands);
  EXPECT_NEAR(Bands(*app.project->GcSpectrumOf(1)).at(1).first, 520.175, 1e-4);
  EXPECT_EQ(port.messages.back().text,
            "System #1 (Meridian): 1 range above -60.0 dBm excluded from the search spectrum:\n519.775 - 520.225\n\n"
            "System #2 (Osprey Series): 1 range above -60.0 dBm excluded from the search spectrum:\n519.825 - 520.175");

  // A search spectrum that the scan cuts away whole is named in the message.
  app.project->GbSecondSystem(false);
  auto narrow = std::make_shared<CSpectrum>();
  narrow->GDefine();
  narrow->GAddBand(519.9f, 520.1f, 0.025f);
  app.project->GcSpectrumOf(0, narrow);
  port.fileAnswers = {dir.File("scan.csv")};
  port.inputAnswers = {"-60"};
  ASSERT_TRUE(MN_ImportScan(app));
  EXPECT_EQ(app.project->GcSpectrumOf(0)->GlBands(), 0);
  EXPECT_EQ(port.messages.back().text,
            "1 range above -60.0 dBm excluded from the search spectrum:\n519.775 - 520.225\n"
            "The scan leaves no band of the search spectrum: no channel can be placed.");
}

TEST_F(ScanCommandsTest, CancelOrAWrongThresholdChangesNothing) {
  for (std::optional<std::string> answer : {std::optional<std::string>{}, std::optional<std::string>{"loud"}}) {
    port.fileAnswers = {dir.File("scan.csv")};
    port.inputAnswers = {answer};
    EXPECT_FALSE(MN_ImportScan(app));
    EXPECT_TRUE(app.scan.empty());
    EXPECT_EQ(Bands(*app.project->GcSpectrum()), (std::vector<std::pair<float, float>>{{10.0f, 1000.0f}}));
    EXPECT_FALSE(app.flags.projectModified);
  }
  // A file without scan data is reported and changes nothing either.
  WriteFile(dir.File("junk.csv"), "no scan here\n");
  port.fileAnswers = {dir.File("junk.csv")};
  port.messages.clear();
  EXPECT_FALSE(MN_ImportScan(app));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text.rfind("Cannot read the scan junk.csv: ", 0), 0u);
}

TEST_F(ScanCommandsTest, FrequencyListOutAndBackIn) {
  CMicCollection& mics = *app.project->GcCurrSystem()->GcMics();
  mics.GAddMic("Lead", "", 518.2f, 255, 0, 0, 0);
  mics.GAddMic("Bass, DI", "", 519.0f, 65280, 0, 0, 0);
  const std::string exported = MN_FrequencyListCsv(*app.project);
  port.fileAnswers = {dir.File("list.csv")};
  ASSERT_TRUE(MN_ExportFrequencyList(app));
  EXPECT_EQ(test::ReadFile(dir.File("list.csv")), exported);

  // Into a new project, with one more row off the tuning grid.
  MN_NewProject(app);
  WriteFile(dir.File("list.csv"), exported + "1,3,Off,518.21,#000000\r\n");
  port.fileAnswers = {dir.File("list.csv")};
  port.messages.clear();
  ASSERT_TRUE(MN_ImportFrequencyList(app));
  EXPECT_EQ(MN_FrequencyListCsv(*app.project), exported + "1,3,Off,518.200,#000000\r\n");
  EXPECT_TRUE(app.flags.projectModified);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "3 channels imported.\n\nMoved onto the tuning grid:\nOff: 518.210 -> 518.200 MHz");
}

}  // namespace
}  // namespace kova
