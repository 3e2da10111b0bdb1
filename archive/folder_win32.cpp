#include "Archive.h"

// Beside the files the user saves, where a person looks for them.
std::string DefaultArchiveFolder(const FileSystem& files) {
  const std::string documents = files.documentsFolder();
  return documents.empty() ? std::string() : documents + "\\Datapond\\Downloads";
}
