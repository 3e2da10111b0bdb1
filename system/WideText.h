#pragma once

#include <windows.h>

#include <string>

// The core's UTF-8 texts and the system's UTF-16 ones; another code page (the ANSI one of
// the settings file) where one is named.
std::wstring Widen(const std::string& text, UINT codePage = CP_UTF8);
std::string Narrow(const std::wstring& wide, UINT codePage = CP_UTF8);

// The system's own words for a Windows error, without the closing full stop.
std::string SystemReason(DWORD error);
