#pragma once

#include <string>

#include "FileSystem.h"

// Where the downloads are kept when nothing else is said: Datapond\Downloads in the
// Documents folder on Windows, $XDG_DATA_HOME/datapond/downloads elsewhere; "" where there is
// none (no documents folder, no home).
std::string DefaultArchiveFolder(const FileSystem& files);
