#pragma once

#include <cstdio>
#include <string>

// Whether a stream is an interactive terminal, where a progress bar and questions belong.
bool IsTerminal(std::FILE* stream);

// Standard output carries the files' bytes exactly: no CR added before LF on Windows.
void UseBinaryStandardOutput();

// Whether standard output shows text in UTF-8 rather than as the files' bytes: a terminal
// whose character set is UTF-8, or a Windows console.
bool StandardOutputShowsUtf8();

// Writes all bytes to standard output and flushes them; false with the system's words for
// the failure. UTF-8 text for a Windows console goes to it as characters, since its code
// page would garble the bytes.
bool WriteStandardOutput(const std::string& bytes, bool utf8Text, std::string& reason);
