#include <gtest/gtest.h>

#include "files/Defaults.h"
#include "files/RegionTables.h"
#include "support/TestSupport.h"

using namespace kova;

namespace {

CountryRef Table(const std::vector<CountryRef>& tables, const std::string& label) {
  for (const CountryRef& t : tables)
    if (t->GsGetLabel() == label) return t;
  ADD_FAILURE() << "no table " << label;
  return std::make_shared<CCountrySpectrum>();
}

}  // namespace

TEST(RegionTables, RastersFollowTheirFormulas) {
  const std::vector<CountryRef> tables = MN_CountryTables();
  const struct {
    const char* label;
    int32_t first, last, base, width, skip;
    const char* firstText;
    const char* lastText;
  } rasters[] = {
      {"USA/Canada UHF 14-36", 14, 36, 470, 6, 0, "14  470.000 - 476.000", "36  602.000 - 608.000"},
      {"Europe UHF 21-48", 21, 48, 470, 8, 0, "21  470.000 - 478.000", "48  686.000 - 694.000"},
      {"United Kingdom UHF 21-48 without 38", 21, 48, 470, 8, 38, "21  470.000 - 478.000", "48  686.000 - 694.000"},
      {"Japan UHF 13-52", 13, 52, 470, 6, 0, "13  470.000 - 476.000", "52  704.000 - 710.000"},
      {"Australia UHF 28-51", 28, 51, 526, 7, 0, "28  526.000 - 533.000", "51  687.000 - 694.000"},
  };
  for (const auto& r : rasters) {
    SCOPED_TRACE(r.label);
    const CountryRef t = Table(tables, r.label);
    const CSpectrum& s = *t->GxSpectrum();
    ASSERT_EQ(s.GlBands(), r.last - r.first + 1 - (r.skip ? 1 : 0));
    int32_t i = 0;
    for (int32_t n = r.first; n <= r.last; ++n) {
      if (n == r.skip) continue;
      ++i;
      EXPECT_EQ(t->GlChannel(i), n);
      EXPECT_EQ(s.GxGetBand(i)->GfLo(), static_cast<float>(r.base + r.width * (n - r.first)));
      EXPECT_EQ(s.GxGetBand(i)->GfHi(), static_cast<float>(r.base + r.width * (n - r.first + 1)));
      EXPECT_EQ(s.GxGetBand(i)->GfSteps(), 1.0f);
    }
    EXPECT_EQ(t->GsGetChannelText(1), r.firstText);
    EXPECT_EQ(t->GsGetChannelText(s.GlBands()), r.lastText);
  }
}

TEST(RegionTables, UserTablesAreReadAndBadFilesNamedAndSkipped) {
  test::TempDir dir;
  test::WriteFile(dir.File("a_venue.csv"),
                  "\xEF\xBB\xBF\"Venue, hall B\";;\r\nChannel;From;To\r\n# rented\r\n21;470;478\r\n\r\n22;478,0;486\r\n");
  test::WriteFile(dir.File("b_plain.CSV"), "30,542,550\n");  // no name line: the file names it
  const struct {
    const char* file;
    const char* content;
    const char* error;
  } bad[] = {
      {"c_twice.csv", "Twice\n21,470,478\n21,478,486\n", "c_twice.csv: line 3: channel 21 a second time"},
      {"d_columns.csv", "Columns\n21,470\n", "d_columns.csv: line 2: needs three columns: channel, from MHz, to MHz"},
      {"e_range.csv", "Range\n21,478,470\n", "e_range.csv: line 2: the channel must lie within 10 to 1000 MHz"},
      {"f_text.csv", "Text\nChannel,From,To\n21,470,478\nx,1,2\n", "f_text.csv: line 4: \"x\" is not a number"},
      {"g_empty.csv", "Only a name\n", "g_empty.csv: no channels"},
  };
  for (const auto& b : bad) test::WriteFile(dir.File(b.file), b.content);

  const RegionFolderRead read = MN_ReadRegionFolder(dir.Dir());
  ASSERT_EQ(read.tables.size(), 2u);
  EXPECT_EQ(read.tables[0]->GsGetLabel(), "Venue, hall B");
  EXPECT_EQ(read.tables[0]->GsGetChannelText(2), "22  478.000 - 486.000");
  EXPECT_EQ(read.tables[1]->GsGetLabel(), "b_plain");
  EXPECT_EQ(read.tables[1]->GsGetChannelText(1), "30  542.000 - 550.000");
  ASSERT_EQ(read.errors.size(), std::size(bad));
  for (size_t i = 0; i < std::size(bad); ++i) EXPECT_EQ(read.errors[i].rfind(bad[i].error, 0), 0u) << read.errors[i];
  EXPECT_TRUE(MN_ReadRegionFolder(dir.File("missing")).errors.empty());
}
