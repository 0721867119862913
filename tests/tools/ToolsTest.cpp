#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <limits>

#include "tools/BinaryFile.h"
#include "tools/Encoding.h"
#include "tools/ScriptedPort.h"
#include "tools/TextFile.h"
#include "tools/Tools.h"
#include "support/TestSupport.h"

using namespace kova;

struct FormatCase {
  double value;
  const char* pattern;
  const char* expected;
};

TEST(FormatNumber, PatternsAndRounding) {
  const FormatCase cases[] = {
      {0.5, "0.000", "0.500"},          {7, "0", "7"},
      {5.2, "##0.000", "  5.200"},      {518.2, "0.000", "518.200"},
      {518.2f, "0.000", "518.200"},     {0.0625, "0.000", "0.063"},   // half away from zero
      {2.0005, "0.000", "2.001"},       {-2.0005, "0.000", "-2.001"},
      {999.9996, "0.000", "1000.000"},  {0.0, "0.000", "0.000"},
      {123.456, "##0", "123"},          {0.4, "##0", "  0"},
      {12.5, "##0.0", " 12.5"},         {1234.5, "##0.000", "1234.500"},
      {-110.6f, "0.000", "-110.600"},   {0.0004, "0.000", "0.000"},
      {25.0, "##0.0", " 25.0"},         {100.0625, "0.000", "100.063"},
  };
  for (const auto& c : cases) EXPECT_EQ(TL_FormatNumber(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(FormatNumber, IgnoresDecimalCommaLocale) {
  const char* locales[] = {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "C.UTF-8"};
  std::string old = std::setlocale(LC_ALL, nullptr);
  for (const char* l : locales) {
    if (!std::setlocale(LC_ALL, l)) continue;
    EXPECT_EQ(TL_FormatNumber(0.5, "0.000"), "0.500") << l;
    EXPECT_DOUBLE_EQ(TL_ParseNumber("518,200"), 518.2) << l;
    EXPECT_DOUBLE_EQ(TL_ParseNumber("518.200"), 518.2) << l;
  }
  std::setlocale(LC_ALL, old.c_str());
}

TEST(ParseNumber, LenientLeadingNumber) {
  struct {
    const char* text;
    double expected;
  } cases[] = {{"", 0},          {"12,5 MHz", 12.5}, {"  518.025", 518.025}, {"abc", 0},
               {"-5", -5},       {"1200", 1200},     {".5", 0.5},            {"5.", 5},
               {"1e3", 1000},    {"1e", 1},          {"KOVA Preset File", 0}, {"3,5,7", 3.5},
               {"1 2", 12},      {"+7x", 7}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(TL_ParseNumber(c.text), c.expected) << c.text;
}

TEST(Text, CleanAndClamp) {
  EXPECT_EQ(TL_CleanText(std::string("  ab c \0tail", 12)), "ab c");
  EXPECT_EQ(TL_CleanText("   "), "");
  EXPECT_EQ(TL_Clamp(5, 0, 3), 3);
  EXPECT_EQ(TL_Clamp(-1, 0, 3), 0);
  EXPECT_EQ(TL_Clamp(std::nan(""), 0, 3), 0);
}

TEST(Rounding, TiesToEvenAndNoUndefinedConversion) {
  EXPECT_EQ(TL_RoundLong(2.5), 2);
  EXPECT_EQ(TL_RoundLong(3.5), 4);
  EXPECT_EQ(TL_RoundLong(-2.5), -2);
  EXPECT_EQ(TL_RoundLong(std::nan("")), 0);
  EXPECT_EQ(TL_RoundLong(std::numeric_limits<double>::infinity()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(TL_RoundLong(-1e300), std::numeric_limits<int32_t>::min());
  EXPECT_DOUBLE_EQ(TL_RoundDecimals(500.02500001, 4), 500.025);
}

TEST(Bits, SetAndTest) {
  EXPECT_FALSE(TL_IsBitSet(1023, 0));
  EXPECT_TRUE(TL_IsBitSet(16, 16));
  int32_t v = 0;
  TL_SetBit(v, 512, true);
  TL_SetBit(v, 1, true);
  TL_SetBit(v, 512, false);
  EXPECT_EQ(v, 1);
}

TEST(Paths, BothSeparators) {
  EXPECT_EQ(TL_GetDirectory("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(TL_GetFileName("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(TL_GetDirectory("/home/u/p.kova"), "/home/u/");
  EXPECT_EQ(TL_GetFileName("/home/u/p.kova"), "p.kova");
  EXPECT_EQ(TL_GetFileName("plain"), "plain");
  EXPECT_EQ(TL_GetFileName(""), "");
  EXPECT_EQ(TL_GetDirectory(""), "");
  EXPECT_EQ(TL_GetExtension("name."), "");
  EXPECT_EQ(TL_GetExtension("archive.tar.gz"), "gz");
  EXPECT_EQ(TL_GetExtension("noext"), "");
  EXPECT_EQ(TL_StripExtension("archive.tar.gz"), "archive.tar");
  EXPECT_EQ(TL_StripExtension("noext"), "noext");
  EXPECT_EQ(TL_AddBackslash(" /tmp "), "/tmp/");
  EXPECT_EQ(TL_AddBackslash("C:\\x\\"), "C:\\x\\");
}

TEST(Paths, FileAndDirectoryTests) {
  test::TempDir dir;
  test::WriteFile(dir.File("a.txt"), "x");
  EXPECT_TRUE(TL_FileExists(dir.Path().string(), "a.txt"));
  EXPECT_TRUE(TL_FileExists(dir.Dir(), " a.txt "));
  EXPECT_FALSE(TL_FileExists(dir.Dir(), ""));
  EXPECT_FALSE(TL_FileExists(dir.Dir(), "b.txt"));
  EXPECT_TRUE(TL_DirExists(dir.Dir()));
  EXPECT_FALSE(TL_DirExists(""));
  EXPECT_FALSE(TL_DirExists(dir.File("a.txt")));
}

TEST(ChangeFlags, SwitchOrder) {
  ChangeFlags f;
  TL_SetChanged(f, true, false, false, false);
  EXPECT_TRUE(f.projectModified && f.productsStale);
  f.productsStale = false;
  TL_SetChanged(f, false, true, false, false);
  EXPECT_FALSE(f.projectModified);
  EXPECT_TRUE(f.productsStale);
  f = {};
  TL_SetChanged(f, false, false, false, true);
  EXPECT_TRUE(f.projectModified);
  EXPECT_FALSE(f.productsStale);
  TL_SetChanged(f, true, false, true, false);  // saved is applied last
  EXPECT_FALSE(f.projectModified);
  EXPECT_TRUE(TL_SetChanged(f, false, false, false, false));
}

TEST(Dialogs, GoThroughThePortWithCaption) {
  ScriptedPort port;
  PortScope scope(port);
  port.answers = {kCancel, kYes, kNo};
  EXPECT_EQ(TL_AskOkCancel("Go?\0hidden"), kCancel);
  EXPECT_EQ(TL_AskYesNo(" Sure? ", "Other"), kYes);
  EXPECT_EQ(TL_AskYesNoCancel("Save?"), kNo);
  EXPECT_EQ(TL_ShowInfo("Done"), kOk);
  ASSERT_EQ(port.messages.size(), 4u);
  EXPECT_EQ(port.messages[0].title, "KOVA");
  EXPECT_EQ(port.messages[1].text, "Sure?");
  EXPECT_EQ(port.messages[1].title, "Other");
  EXPECT_EQ(port.messages[2].kind, MsgKind::YesNoCancel);
  EXPECT_EQ(port.messages[3].kind, MsgKind::Info);
}

TEST(Dialogs, FileDialogWritesBackChoice) {
  ScriptedPort port;
  PortScope scope(port);
  port.fileAnswers = {std::string("/data/shows/a.kova"), std::nullopt};
  std::string dir = "/start/", name = "*.kova";
  int index = 1;
  EXPECT_EQ(TL_OpenFileDialog("Open Project", dir, name, "KOVA Project (*.kova)|*.kova", index), 1);
  EXPECT_EQ(dir, "/data/shows/");
  EXPECT_EQ(name, "a.kova");
  EXPECT_EQ(port.fileDialogs[0].filter, "KOVA Project (*.kova)|*.kova|All files (*.*)|*.*");
  EXPECT_EQ(port.fileDialogs[0].initialPath, "/start/*.kova");
  EXPECT_EQ(TL_SaveFileDialog("Save", dir, name, "X|*.x", index), 0);
  EXPECT_EQ(name, "a.kova");
  EXPECT_TRUE(port.messages.empty());
}

TEST(Errors, TextOfTopLevelMessage) {
  EXPECT_EQ(TL_ErrorText("MN_SaveProject", KovaError(75, "Path/File access error")),
            "An Error Occured During MN_SaveProject: 75 Path/File access error");
  EXPECT_EQ(TL_ErrorText("X", std::out_of_range("Subscript out of range")), "An Error Occured During X: 9 Subscript out of range");
  // A file error names the file (control characters shown escaped) and the system's reason.
  EXPECT_EQ(TL_ErrorText("MN_SaveProject", KovaError(61, "Disk full", "/m/a\nb\x1b\x7f\xc2\x9b\xc3\xa9.kova",
                                                       TL_SystemReason(ENOSPC))),
            "An Error Occured During MN_SaveProject: 61 Disk full\n/m/a\\nb\\e\\x7F\\x9B\xc3\xa9.kova: no space left on device");
  EXPECT_EQ(TL_SystemReason(EROFS), "read-only file system");
  EXPECT_EQ(TL_GroupedNumber(10000), "10,000");
}

TEST(BinaryFile, RoundTripLittleEndian) {
  BinaryWriter w;
  w.WriteInt16(-2);
  w.WriteInt32(0x01020304);
  w.WriteFloat(518.2f);
  w.WriteFixed("KOVA11");
  TL_WriteString(w, "Mic\xC3\xA9");  // UTF-8 e-acute becomes one ANSI byte
  TL_WriteString(w, "");
  const auto& b = w.Bytes();
  ASSERT_EQ(b.size(), 2u + 4 + 4 + 6 + 8 + 4);
  EXPECT_EQ(static_cast<unsigned char>(b[2]), 0x04);
  EXPECT_EQ(static_cast<unsigned char>(b[5]), 0x01);
  EXPECT_EQ(static_cast<unsigned char>(b[16]), 4);  // count of "Mic" + one byte
  EXPECT_EQ(static_cast<unsigned char>(b[23]), 0xE9);

  BinaryReader r(b);
  int16_t i16;
  int32_t i32;
  float f;
  std::string s;
  EXPECT_TRUE(r.ReadInt16(i16));
  EXPECT_EQ(i16, -2);
  EXPECT_TRUE(r.ReadInt32(i32));
  EXPECT_EQ(i32, 0x01020304);
  EXPECT_TRUE(r.ReadFloat(f));
  EXPECT_EQ(f, 518.2f);
  EXPECT_TRUE(r.ReadFixed(6, s));
  EXPECT_EQ(s, "KOVA11");
  EXPECT_EQ(TL_ReadString(r, s), 0);
  EXPECT_EQ(s, "Mic\xC3\xA9");
  EXPECT_EQ(TL_ReadString(r, s), 0);
  EXPECT_EQ(s, "");
  EXPECT_EQ(r.Remaining(), 0u);
  EXPECT_FALSE(r.ReadInt32(i32));  // past the end: sticky failure, value 0
  EXPECT_EQ(i32, 0);
  EXPECT_TRUE(r.Failed());
}

TEST(BinaryFile, CountedStringRejectsBadCounts) {
  for (int32_t count : {-1, 5, std::numeric_limits<int32_t>::max()}) {
    BinaryWriter w;
    w.WriteInt32(count);
    w.WriteFixed("abc");
    BinaryReader r(w.Bytes());
    std::string s = "old";
    EXPECT_EQ(TL_ReadString(r, s), -1) << count;
    EXPECT_EQ(s, "");
  }
  BinaryReader empty;
  std::string s;
  EXPECT_EQ(TL_ReadString(empty, s), -1);
}

TEST(Encoding, AnsiRoundTripAndUnmappable) {
  EXPECT_EQ(TL_Utf8ToAnsi("\xE2\x82\xAC"), "\x80");      // euro sign
  EXPECT_EQ(TL_Utf8ToAnsi("\xE4\xB8\xAD"), "?");         // not in Windows-1252
  EXPECT_EQ(TL_AnsiToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(TL_Utf8ToAnsi("\xC3"), "?");                  // truncated sequence
  for (char undefined : {'\x81', '\x8D', '\x8F', '\x90', '\x9D'})   // bytes without a character survive
    EXPECT_EQ(TL_Utf8ToAnsi(TL_AnsiToUtf8(std::string(1, undefined))), std::string(1, undefined));
}

TEST(Files, AtomicWriteAndTextLines) {
  test::TempDir dir;
  std::string path = dir.File("p.bin");
  test::WriteFile(path, std::string(100, 'x'));
  TL_WriteFileAtomic(path, std::vector<char>{'a', 'b'});
  EXPECT_EQ(test::ReadFile(path), "ab");  // no stale trailing bytes
  EXPECT_THROW(TL_WriteFileAtomic(dir.File("missing/p.bin"), {'a'}), KovaError);
  EXPECT_EQ(test::ReadFile(path), "ab");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

  {
    TextWriter t(dir.File("t.txt"));
    t.Line("one \xC3\xA9");
    t.Line();
    t.Close();
  }
  EXPECT_EQ(test::ReadFile(dir.File("t.txt")), "one \xE9\r\n\r\n");
  std::vector<std::string> lines;
  ASSERT_TRUE(TL_ReadTextLines(dir.File("t.txt"), lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"one \xC3\xA9", ""}));
  EXPECT_FALSE(TL_ReadTextLines(dir.File("none.txt"), lines));
  EXPECT_THROW(TextWriter(dir.File("missing/t.txt")), KovaError);
}

TEST(ScriptedPort, SeededRandomAndBusyAbort) {
  ScriptedPort a(7), b(7);
  a.randomize();
  b.randomize();
  for (int i = 0; i < 5; ++i) {
    double x = a.rnd();
    EXPECT_EQ(x, b.rnd());
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1.0);
  }
  a.abortAtBusyCall = 2;
  double f = 0;
  EXPECT_TRUE(a.busy("Testing", f, 0));
  f = 0.5;
  EXPECT_FALSE(a.busy("Testing", f, 0));
  f = 1;
  EXPECT_TRUE(a.busy("Testing", f, 0));
}
