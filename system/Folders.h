#pragma once

#include <string>

#include "FileSystem.h"

// Where the downloads are kept when nothing else is said: Datapond\Downloads in the
// Documents folder on Windows, $XDG_DATA_HOME/datapond/downloads elsewhere.
std::string DefaultArchiveFolder(const FileSystem& files);
