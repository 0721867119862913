#pragma once
// Conversion between the program's UTF-8 strings and the single-byte Windows-1252 ("ANSI")
// encoding of its files. Characters outside Windows-1252 are written as "?".

#include <string>

namespace kova {

std::string TL_Utf8ToAnsi(const std::string& utf8);
std::string TL_AnsiToUtf8(const std::string& ansi);
// True when `s` is well-formed UTF-8 (text files may be either encoding; this tells which).
bool TL_IsValidUtf8(const std::string& s);

}  // namespace kova
