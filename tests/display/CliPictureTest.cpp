#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <sstream>

#include "app/Cli.h"
#include "app/Storage.h"
#include "display/DisplayTestSupport.h"
#include "display/SpectrumPicture.h"
#include "support/TestSupport.h"

namespace kova {
namespace {

class CliPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(dir.Path() / "data");
    test::InitDisplayProject(app);
    ASSERT_TRUE(MN_SaveProject(*app.project, dir.Dir(), "p.kova"));
  }
  int Cli(std::vector<std::string> args) {
    args.insert(args.end(), {"--data-dir", dir.File("data")});
    std::ostringstream out;
    err.str("");
    return CLI_Run(args, out, err);
  }

  test::TempDir dir;
  AppState app;
  std::ostringstream err;
};

TEST_F(CliPictureTest, WritesTheDisplayZoomedToTheData) {
  const std::string png = dir.File("p.png");
  ASSERT_EQ(Cli({"picture", dir.File("p.kova"), "--out", png, "--width", "900", "--height", "300"}), 0) << err.str();
  QImage written(QString::fromStdString(png));
  ASSERT_EQ(written.size(), QSize(900, 300));

  // The same drawing as the display's "Full" with search spectrum and used channels ticked.
  PictureBox pbx(900, 300);
  SpectrumView view;
  bool stale = true;
  PrepareTVStationPbx(pbx, view, {*app.project, 0, 0, kZoomSearchSpectrum | kZoomUsedChannels, stale}, true);
  EXPECT_DOUBLE_EQ(view.mapping.Lower(), 460);
  EXPECT_DOUBLE_EQ(view.mapping.Upper(), 610);
  EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), pbx.Image());

  ASSERT_EQ(Cli({"picture", dir.File("p.kova"), "--out", png, "--system", "1"}), 0) << err.str();
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), QSize(1600, 600));
}

TEST_F(CliPictureTest, BadInputOrOutputExitsWithOneLine) {
  const std::vector<std::vector<std::string>> bad = {
      {"picture", dir.File("missing.kova"), "--out", dir.File("x.png")},
      {"picture", dir.File("p.kova"), "--out", dir.File("no/such/dir/x.png")},
      {"picture", dir.File("p.kova")},
      {"picture", dir.File("p.kova"), "--out", dir.File("x.png"), "--width", "wide"},
      {"picture", dir.File("p.kova"), "--out", dir.File("x.png"), "--system", "2"},
  };
  for (const auto& args : bad) {
    EXPECT_EQ(Cli(args), 2) << args[1];
    const std::string text = err.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.png")));
}

}  // namespace
}  // namespace kova
