#pragma once

#include <string>

// The core's UTF-8 texts and the window system's UTF-16 ones.
std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
