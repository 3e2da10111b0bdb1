#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "FileSystem.h"

namespace {

bool IsFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool Read(const std::string& path, size_t maxBytes, std::string& bytes, std::string& reason) {
  // Not blocking, so that opening a pipe cannot wait for a writer; not through a link.
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    reason = errno == ELOOP ? "a symbolic link, not a file" : std::strerror(errno);
    return false;
  }
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  reason = ok ? "" : "not a regular file";
  bytes.clear();
  // One byte past the limit tells a file that grew while it was read.
  char buffer[8192];
  while (ok) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      if (!ok) reason = std::strerror(errno);
      break;
    }
    bytes.append(buffer, static_cast<size_t>(got));
    if (bytes.size() > maxBytes) {
      ok = false;
      reason = "larger than " + std::to_string(maxBytes) + " bytes";
    }
  }
  close(fd);
  return ok;
}

// The folder that holds a path's file, where its temporary file goes.
std::string FolderOf(const std::string& path) {
  const size_t last = path.rfind('/');
  // no-mutate(last == 0): a file at the root, where no test may write
  return last == std::string::npos ? "." : last == 0 ? "/" : path.substr(0, last);
}

// The bytes into an open file as they come; the first error number stays.
class FdSink : public FileSink {
 public:
  explicit FdSink(int fd) : fd_(fd) {}
  bool put(std::string_view bytes) override {
    for (size_t done = 0; done < bytes.size() && error == 0;) {
      const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (put > 0) {
        done += static_cast<size_t>(put);
      } else if (put < 0 && errno != EINTR) {
        error = errno;
      }
    }
    return error == 0;
  }
  bool putAt(uint64_t offset, std::string_view bytes) override {
    for (size_t done = 0; done < bytes.size() && error == 0;) {
      const ssize_t put = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
      if (put > 0) {
        done += static_cast<size_t>(put);
      } else if (put < 0 && errno != EINTR) {
        error = errno;
      }
    }
    return error == 0;
  }
  int error = 0;

 private:
  int fd_;
};

// Every byte made, then closed; the first error number, or 0.
int MakeAndClose(int fd, const FileMaker& make, bool flush) {
  FdSink sink(fd);
  make(sink);
  int error = sink.error;
  if (error == 0 && flush && fsync(fd) != 0) error = errno;
  if (close(fd) != 0 && error == 0) error = errno;
  return error;
}

// A new name in a folder lasts through a power cut only once the folder itself is flushed.
// Some file systems cannot flush a folder; the file's own bytes are on the disk all the same.
void FlushFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;  // no-mutate(< 0): standard input holds 0
  fsync(fd);
  close(fd);
}

bool MakeNew(const std::string& folder, const FileMaker& make, std::string& path, std::string& reason) {
  int fd = -1;
  // Created, never opened: a name someone else made (or planted as a link) is not ours.
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    path = folder + "/" + TemporaryFileName();
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  if (const int error = MakeAndClose(fd, make, true); error != 0) {
    unlink(path.c_str());
    reason = std::strerror(error);
    return false;
  }
  return true;
}

bool WriteNew(const std::string& folder, const std::string& bytes, std::string& path, std::string& reason) {
  return MakeNew(
      folder, [&bytes](FileSink& sink) { sink.put(bytes); }, path, reason);
}

bool WriteMade(const std::string& path, const FileMaker& make, std::string& reason) {
  std::string target = path;
  struct stat info {};
  // A link to a file is followed: the file it names is replaced and the link stays.
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const bool exists = stat(target.c_str(), &info) == 0;
  if (exists && S_ISDIR(info.st_mode)) {
    reason = std::strerror(EISDIR);
    return false;
  }
  // A device or a pipe (/dev/null, a terminal, a named pipe) cannot be replaced, only written,
  // and only forwards: its bytes are made whole first.
  if (exists && !S_ISREG(info.st_mode)) {
    const int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    const std::string bytes = fd < 0 ? "" : MadeBytes(make);
    const int error = fd < 0 ? errno
                             : MakeAndClose(
                                   fd, [&bytes](FileSink& sink) { sink.put(bytes); }, false);
    if (error != 0) reason = std::strerror(error);
    return error == 0;
  }
  std::string temporary;
  const std::string folder = FolderOf(target);
  if (!MakeNew(folder, make, temporary, reason)) return false;
  if (exists) chmod(temporary.c_str(), info.st_mode & 07777);  // the file keeps who may read it
  if (std::rename(temporary.c_str(), target.c_str()) != 0) {
    reason = std::strerror(errno);
    unlink(temporary.c_str());
    return false;  // no-mutate(false): a rename beside a file just written fails on no stageable folder
  }
  FlushFolder(folder);
  return true;
}

bool Write(const std::string& path, const std::string& bytes, std::string& reason) {
  return WriteMade(
      path, [&bytes](FileSink& sink) { sink.put(bytes); }, reason);
}

std::string Home() {
  const char* home = std::getenv("HOME");
  return home != nullptr ? home : "";
}

// The documents folder as the desktop names it: $XDG_DOCUMENTS_DIR, the user-dirs file,
// or ~/Documents.
std::string DocumentsFolder() {
  if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg != nullptr && *xdg != '\0') return xdg;
  const std::string home = Home();
  if (home.empty()) return "";
  std::ifstream dirs(home + "/.config/user-dirs.dirs");
  for (std::string line; std::getline(dirs, line);) {
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    if (!line.starts_with(key)) continue;
    std::string value = line.substr(key.size(), line.rfind('"') - key.size());
    if (value.starts_with("$HOME")) value = home + value.substr(5);
    return value;
  }
  return home + "/Documents";
}

std::string AsIs(const std::string& text) { return text; }

// Folders above that exist already are no failure. The cause is the first failure after the
// last folder made: below a folder we may not write in, every later one is "No such file or
// directory".
bool MakeFolders(const std::string& path, std::string& reason) {
  int cause = 0;
  for (size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const int error = mkdir(path.substr(0, at).c_str(), 0777) == 0 ? 0 : errno;
    if (error == 0) cause = 0;
    if (cause == 0 && error != 0 && error != EEXIST) cause = error;
    if (at == std::string::npos) break;
  }
  if (IsFolder(path)) return true;
  reason = std::strerror(cause != 0 ? cause : ENOTDIR);
  return false;  // no-mutate(false): the write into it that would follow fails for the same reason
}

// A hard link never replaces. Where the file system has none (a FAT memory stick), a rename
// that refuses to replace; only where that is missing too, a rename after a look.
bool Publish(const std::string& from, const std::string& to, std::string& reason) {
  reason.clear();
  int error = link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  if (error == 0) unlink(from.c_str());
#ifdef RENAME_NOREPLACE
  if (error != 0 && error != EEXIST) {
    error = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
  }
#endif
  if (error != 0 && error != EEXIST) {
    struct stat info {};
    error = lstat(to.c_str(), &info) == 0 ? EEXIST : std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  if (error == 0) FlushFolder(FolderOf(to));
  if (error != 0 && error != EEXIST) reason = std::strerror(error);
  return error == 0;
}

bool Remove(const std::string& path) { return unlink(path.c_str()) == 0; }

bool AppendLine(const std::string& path, const std::string& firstLine, const std::string& line, std::string& reason) {
  // O_APPEND: each write lands at the end as it is then, whoever else is appending.
  const int fd = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  struct stat info {};
  int error = fd < 0 ? errno : fstat(fd, &info) != 0 ? errno : S_ISREG(info.st_mode) ? 0 : EINVAL;
  std::string bytes = line;
  char last = '\n';
  if (error == 0 && info.st_size == 0) {
    bytes = firstLine + line;
  } else if (error == 0 && (pread(fd, &last, 1, info.st_size - 1) != 1 || last != '\n')) {
    bytes = "\n" + line;
  }
  if (error == 0) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    error = put < 0 ? errno : static_cast<size_t>(put) != bytes.size() ? ENOSPC : fsync(fd) != 0 ? errno : 0;
  }
  if (fd >= 0 && close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && info.st_size == 0) FlushFolder(FolderOf(path));
  if (error != 0) reason = error == EINVAL ? "not a regular file" : std::strerror(error);
  return error == 0;
}

std::vector<std::string> List(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

}  // namespace

const char kPathSeparator = '/';

FileSystem LocalFileSystem() {
  return {IsFile, IsFolder,    Read,    Write,  WriteNew, DocumentsFolder, AsIs,
          AsIs,   MakeFolders, Publish, Remove, List,     AppendLine,      WriteMade};
}

bool IsDevicePath(const std::string& name) { return name.starts_with("/dev/"); }

// The limit counts characters (code points), not the bytes of their UTF-8 form.
std::string FolderPart(const std::string& path) {
  size_t characters = 0;
  for (char byte : path) characters += (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  if (characters > 260) return "";
  const size_t last = path.rfind('/');
  return last == std::string::npos ? "" : path.substr(0, last + 1);
}
