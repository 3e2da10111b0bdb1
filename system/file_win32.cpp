#include <windows.h>

#include <shlobj.h>

#include <algorithm>

#include "FileSystem.h"
#include "WideText.h"

namespace {

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool IsFile(const std::string& path) {
  const DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::string& path) {
  const DWORD a = Attributes(path);
  return !path.empty() && a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Read(const std::string& path, size_t maxBytes, std::string& bytes, std::string& reason) {
  // Not through a link, and only a disk file: a device or pipe could keep the read waiting.
  HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = SystemReason(GetLastError());
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  bool ok = GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
            (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
  reason = ok ? "" : "not a regular file";
  bytes.clear();
  char buffer[8192];
  DWORD got = 0;
  while (ok && (ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0) {
    bytes.append(buffer, got);
    if (bytes.size() > maxBytes) {
      ok = false;
      reason = "larger than " + std::to_string(maxBytes) + " bytes";
    }
  }
  if (!ok && reason.empty()) reason = SystemReason(GetLastError());
  CloseHandle(file);
  return ok;
}

// The folder that holds a path's file, where its temporary file goes.
std::string FolderOf(const std::string& path) {
  const size_t last = path.find_last_of("\\/");
  return last == std::string::npos ? "." : path.substr(0, last);
}

// The bytes into an open file as they come; the first error stays.
class HandleSink : public FileSink {
 public:
  explicit HandleSink(HANDLE file) : file_(file) {}
  bool put(std::string_view bytes) override {
    if (At(end_, bytes)) end_ += bytes.size();
    return error == 0;
  }
  bool putAt(uint64_t offset, std::string_view bytes) override { return At(offset, bytes), error == 0; }
  DWORD error = 0;

 private:
  // Each write names its place, so a write over earlier bytes leaves the end where it was.
  bool At(uint64_t offset, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size() && error == 0;) {
      OVERLAPPED place{};
      place.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
      place.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, bytes.data() + done, piece, &written, &place) || written == 0) {
        error = GetLastError();
        if (error == 0) error = ERROR_WRITE_FAULT;
      }
      done += written;
    }
    return error == 0;
  }
  HANDLE file_;
  uint64_t end_ = 0;
};

bool MakeNew(const std::string& folder, const FileMaker& make, std::string& path, std::string& reason) {
  HANDLE file = INVALID_HANDLE_VALUE;
  // CREATE_NEW: a name another writer made is never opened, let alone emptied.
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    path = folder + "\\" + TemporaryFileName();
    file = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    reason = SystemReason(GetLastError());
    return false;
  }
  HandleSink sink(file);
  make(sink);
  bool ok = sink.error == 0 && FlushFileBuffers(file);
  DWORD error = sink.error != 0 ? sink.error : ok ? 0 : GetLastError();
  if (!CloseHandle(file) && ok) {
    ok = false;
    error = GetLastError();
  }
  if (ok) return true;
  DeleteFileW(Widen(path).c_str());
  reason = SystemReason(error);
  return false;
}

bool WriteNew(const std::string& folder, const std::string& bytes, std::string& path, std::string& reason) {
  return MakeNew(
      folder, [&bytes](FileSink& sink) { sink.put(bytes); }, path, reason);
}

bool WriteMade(const std::string& path, const FileMaker& make, std::string& reason) {
  std::string temporary;
  if (!MakeNew(FolderOf(path), make, temporary, reason)) return false;
  if (MoveFileExW(Widen(temporary).c_str(), Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  reason = SystemReason(GetLastError());
  DeleteFileW(Widen(temporary).c_str());
  return false;
}

bool Write(const std::string& path, const std::string& bytes, std::string& reason) {
  return WriteMade(
      path, [&bytes](FileSink& sink) { sink.put(bytes); }, reason);
}

// The user's documents folder through the shell, as the program always asked for it.
std::string SpecialFolderPath(int csidl) {
  LPITEMIDLIST items = nullptr;
  if (SHGetSpecialFolderLocation(nullptr, csidl, &items) != S_OK) return "";
  wchar_t path[MAX_PATH] = {};
  const BOOL found = SHGetPathFromIDListW(items, path);
  CoTaskMemFree(items);
  return found ? Narrow(path) : "";
}

std::string DocumentsFolder() { return SpecialFolderPath(CSIDL_PERSONAL); }

std::string ToAnsi(const std::string& utf8) { return Narrow(Widen(utf8), CP_ACP); }

std::string FromAnsi(const std::string& bytes) { return Narrow(Widen(bytes, CP_ACP)); }

// Folders above that exist already, or that cannot be made (a drive, a share), are no
// failure; only the last one counts.
bool MakeFolders(const std::string& path, std::string& reason) {
  const std::wstring wide = Widen(path);
  DWORD error = 0;
  for (size_t at = wide.find_first_of(L"\\/", 1);; at = wide.find_first_of(L"\\/", at + 1)) {
    error = CreateDirectoryW(wide.substr(0, at).c_str(), nullptr) ? 0 : GetLastError();
    if (at == std::wstring::npos) break;
  }
  if (IsFolder(path)) return true;
  reason = SystemReason(error != 0 && error != ERROR_ALREADY_EXISTS ? error : ERROR_DIRECTORY);
  return false;
}

bool Publish(const std::string& from, const std::string& to, std::string& reason) {
  reason.clear();
  if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return false;
  reason = SystemReason(error);
  return false;
}

bool Remove(const std::string& path) { return DeleteFileW(Widen(path).c_str()) != 0; }

bool AppendLine(const std::string& path, const std::string& firstLine, const std::string& line, std::string& reason) {
  // FILE_APPEND_DATA alone: each write lands at the end as it is then, whoever else appends.
  HANDLE file = CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA | FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reason = SystemReason(GetLastError());
    return false;
  }
  LARGE_INTEGER size{};
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    reason = "not a regular file";
    return false;
  }
  bool ok = GetFileSizeEx(file, &size);
  std::string bytes = line;
  if (ok && size.QuadPart == 0) {
    bytes = firstLine + line;
  } else if (ok) {
    char last = 0;
    DWORD got = 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(size.QuadPart - 1);
    at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
    if (!ReadFile(file, &last, 1, &got, &at) || got != 1 || last != '\n') bytes = "\n" + line;
  }
  DWORD put = 0;
  ok = ok && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size() &&
       FlushFileBuffers(file);
  if (!ok) reason = SystemReason(GetLastError());
  CloseHandle(file);
  return ok;
}

std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(Narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace

const char kPathSeparator = '\\';

FileSystem LocalFileSystem() {
  return {IsFile,   IsFolder,    Read,    Write,  WriteNew, DocumentsFolder, ToAnsi,
          FromAnsi, MakeFolders, Publish, Remove, List,     AppendLine,      WriteMade};
}

bool IsDevicePath(const std::string&) { return false; }

// The limit counts the characters of the path as Windows keeps it, UTF-16 units, not bytes.
std::string FolderPart(const std::string& path) {
  if (Widen(path).size() > 260) return "";
  const size_t last = path.find_last_of("\\:");
  return last == std::string::npos ? "" : path.substr(0, last + 1);
}
