#include "Folders.h"

// Beside the files the user saves, where a person looks for them.
std::string DefaultArchiveFolder(const FileSystem& files) {
  std::string documents = files.documentsFolder();
  if (documents.empty()) return documents;
  if (documents.back() != '\\') documents += '\\';  // the shell may give it with its separator
  return documents + "Datapond\\Downloads";
}
