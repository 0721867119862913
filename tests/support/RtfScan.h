#pragma once
// A reader of RTF text for the tests: group balance, control words with their parameters, the
// colour table and the visible text, independent of the writer's own code.

#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kova::test {

struct RtfWord {
  std::string name;
  std::optional<long> param;
  int depth;  // group depth at the word
};

struct RtfScan {
  bool balanced = true;  // no group closed below depth 0 and none left open
  std::vector<RtfWord> words;
  std::string text;  // visible characters outside picture data and tables of the header
  std::vector<uint32_t> colors;  // colour table entries after the automatic one, as 0xRRGGBB

  std::vector<long> Params(const std::string& name) const {
    std::vector<long> out;
    for (const RtfWord& w : words)
      if (w.name == name) out.push_back(w.param.value_or(0));
    return out;
  }
  int Count(const std::string& name) const { return static_cast<int>(Params(name).size()); }
};

inline RtfScan ScanRtf(const std::string& rtf) {
  RtfScan s;
  int depth = 0;
  int skipDepth = -1;  // inside \fonttbl, \colortbl or \pict: no visible text
  uint32_t red = 0, green = 0, blue = 0;
  int colorDepth = -1;
  for (size_t i = 0; i < rtf.size(); ++i) {
    const char c = rtf[i];
    if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (depth == skipDepth) skipDepth = -1;
      if (depth == colorDepth) colorDepth = -1;
      if (--depth < 0) s.balanced = false;
    } else if (c == '\\' && i + 1 < rtf.size()) {
      const char n = rtf[i + 1];
      if (std::isalpha(static_cast<unsigned char>(n))) {
        size_t j = i + 1;
        while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[j]))) ++j;
        RtfWord w{rtf.substr(i + 1, j - i - 1), std::nullopt, depth};
        size_t k = j;
        if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(static_cast<unsigned char>(rtf[k])))) {
          ++k;
          while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf[k]))) ++k;
          w.param = std::stol(rtf.substr(j, k - j));
        }
        if (k < rtf.size() && rtf[k] == ' ') ++k;
        i = k - 1;
        if (w.name == "fonttbl" || w.name == "pict") skipDepth = depth;
        if (w.name == "colortbl") skipDepth = colorDepth = depth;
        if (depth == colorDepth) {
          if (w.name == "red") red = static_cast<uint32_t>(w.param.value_or(0));
          if (w.name == "green") green = static_cast<uint32_t>(w.param.value_or(0));
          if (w.name == "blue") blue = static_cast<uint32_t>(w.param.value_or(0));
        }
        if (skipDepth < 0) {
          if (w.name == "par" || w.name == "cell" || w.name == "row") s.text += '\n';
          if (w.name == "tab") s.text += '\t';
        }
        s.words.push_back(w);
      } else if (n == '\'' && i + 3 < rtf.size()) {
        if (skipDepth < 0) s.text += static_cast<char>(std::stoi(rtf.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else {
        if (skipDepth < 0) s.text += n;
        ++i;
      }
    } else if (c == ';' && depth == colorDepth) {
      if (!s.words.empty() && s.words.back().name == "blue") s.colors.push_back((red << 16) | (green << 8) | blue);
    } else if (c != '\n' && c != '\r' && skipDepth < 0) {
      s.text += c;
    }
  }
  if (depth != 0) s.balanced = false;
  return s;
}

}  // namespace kova::test
