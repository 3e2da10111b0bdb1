#pragma once

#include <string>

// UTF-8 text in the Windows-1252 code page, as the text files are written on Western
// systems; a character the code page lacks becomes "?".
std::string Utf8ToWindows1252(const std::string& text);
