#include "platform/SystemPlatform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/Error.h"
#include "platform/FileDescriptor.h"
#include "platform/FullPath.h"

namespace sendaro {

namespace {

constexpr int kStandardOutput = 1;
// Largest single read when the size is not known in advance (pipes, devices).
constexpr size_t kReadPieceBytes = size_t{1} << 16;
// Paths at least this long are opened a stretch at a time; well below the system's own limit.
constexpr size_t kPathStretchBytes = 1024;
// A settings file holds a few short lines; one larger than this is not read at all.
constexpr size_t kMaxSettingsFileBytes = size_t{16} << 20;

std::string ErrnoText(int error) {
  return std::generic_category().message(error);
}

// A byte string with a NUL inside would name a different file once it reaches the system.
bool IsUsablePath(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

// Calls `call(directory, name)` for `path` as the plain call on the whole path would behave, also
// when the path is longer than the system takes at once: the directories on the way are then
// opened a stretch at a time (links are still followed at every step). Returns what `call`
// returns, or -1 with errno set when a directory on the way cannot be opened.
template <typename Call>
int AtPath(const std::string& path, const Call& call) {
  if (path.size() < kPathStretchBytes) {
    return call(AT_FDCWD, path.c_str());
  }
  FileDescriptor directory(path.front() == '/' ? ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC)
                                               : AT_FDCWD);
  if (directory.Get() == -1) {
    return -1;
  }
  std::string_view rest = path;
  for (;;) {
    while (!rest.empty() && rest.front() == '/') {
      rest.remove_prefix(1);
    }
    if (rest.size() < kPathStretchBytes) {
      break;
    }
    const size_t cut = rest.rfind('/', kPathStretchBytes);
    if (cut == std::string_view::npos) {
      errno = ENAMETOOLONG;  // one name longer than any file system allows
      return -1;
    }
    const std::string stretch(rest.substr(0, cut));
    FileDescriptor next(
        ::openat(directory.Get(), stretch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (next.Get() < 0) {
      return -1;
    }
    directory = std::move(next);
    rest.remove_prefix(cut);
  }
  return call(directory.Get(), std::string(rest).c_str());
}

int OpenPath(const std::string& path, int flags, mode_t mode = 0) {
  return AtPath(path, [&](int directory, const char* name) {
    return ::openat(directory, name, flags | O_CLOEXEC, mode);
  });
}

// Waits until `fd` takes more bytes: a caller may hand over a non-blocking pipe or terminal, and
// its reader is only slower, not gone.
bool WaitWritable(int fd) {
  pollfd watched{fd, POLLOUT, 0};
  while (::poll(&watched, 1, -1) < 0) {
    if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

// Writes all of `bytes`; false (errno set) when the system refuses.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      if ((errno == EAGAIN || errno == EWOULDBLOCK) && WaitWritable(fd)) {
        continue;
      }
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

ssize_t ReadSome(int fd, char* into, size_t count) {
  ssize_t got = 0;
  do {
    got = ::read(fd, into, count);
  } while (got < 0 && errno == EINTR);
  return got;
}

// Reads everything up to the end of `fd` into the empty `into`; false (errno set) on a failed read.
// The `expected` bytes of a plain file go straight into storage of that size; a pipe or device, or
// a file that grows while read, goes on in pieces until the end.
bool ReadToEnd(int fd, size_t expected, MemoryBuffer& into) {
  into.Reserve(expected);
  while (into.Size() < expected) {
    const size_t want = expected - into.Size();
    const ssize_t got = ReadSome(fd, into.PrepareWrite(want), want);
    if (got < 0) {
      return false;
    }
    if (got == 0) {
      return true;  // shrank while read
    }
    into.CommitWrite(static_cast<size_t>(got));
  }
  std::array<char, kReadPieceBytes> piece{};
  for (;;) {
    const ssize_t got = ReadSome(fd, piece.data(), piece.size());
    if (got <= 0) {
      return got == 0;
    }
    into.Write(std::string_view(piece.data(), static_cast<size_t>(got)));
  }
}

[[noreturn]] void RaiseFileError(const std::string& path, const char* action, int error) {
  throw FileError("cannot " + std::string(action) + " '" + path + "': " + ErrnoText(error));
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

SystemPlatform::SystemPlatform() {
  // A vanished reader and a file-size limit make writes fail (EPIPE, EFBIG) instead of ending
  // the process, so that they are reported as output failures.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  sigaction(SIGXFSZ, &ignore, nullptr);

  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    if (fd == kStandardOutput) {
      outputClosed_ = true;  // every write to it fails, as it would have
    }
    // Takes the lowest free descriptor, which is this one. Should it fail, nothing is ever
    // written to a missing standard output anyway.
    ::open("/dev/null", O_RDWR | O_CLOEXEC);
  }
}

std::string SystemPlatform::FullPath(const std::string& path) {
  if (path.empty()) {
    return {};
  }
  if (path.front() == '/') {
    return ExpandFullPath(path, "/");
  }
  const std::string current = CurrentDirectory();
  return current.empty() ? std::string() : ExpandFullPath(path, current);
}

bool SystemPlatform::FileExists(const std::string& path) {
  struct stat info {};
  return IsUsablePath(path) &&
         AtPath(path, [&](int directory,
                          const char* name) { return ::fstatat(directory, name, &info, 0); }) ==
             0 &&
         !S_ISDIR(info.st_mode);
}

SettingsFile SystemPlatform::ReadSettingsFile(const std::string& path) {
  // Only a plain file of sane size is read: a FIFO or terminal would wait for ever, a device or
  // a huge file would fill memory. Anything else counts as a file without keys.
  if (!IsUsablePath(path)) {
    return {};
  }
  FileDescriptor file(OpenPath(path, O_RDONLY | O_NONBLOCK));
  struct stat info {};
  if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
      info.st_size > static_cast<off_t>(kMaxSettingsFileBytes)) {
    return {};
  }
  MemoryBuffer bytes;
  if (!ReadToEnd(file.Get(), static_cast<size_t>(info.st_size), bytes) ||
      bytes.Size() > kMaxSettingsFileBytes) {
    return {};
  }
  return SettingsFile(std::string(bytes.View()));
}

void SystemPlatform::LoadFile(const std::string& path, MemoryBuffer& into) {
  into.Clear();
  if (!IsUsablePath(path)) {
    RaiseFileError(path, "open", ENOENT);
  }
  FileDescriptor file(OpenPath(path, O_RDONLY));
  if (file.Get() < 0) {
    RaiseFileError(path, "open", errno);
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    RaiseFileError(path, "read", errno);
  }
  if (S_ISDIR(info.st_mode)) {
    RaiseFileError(path, "read", EISDIR);
  }
  if (!ReadToEnd(file.Get(), S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : 0, into)) {
    RaiseFileError(path, "read", errno);
  }
  into.SetPosition(0);
}

void SystemPlatform::SaveFile(const std::string& path, std::string_view bytes) {
  if (!IsUsablePath(path)) {
    RaiseFileError(path, "create", ENOENT);
  }
  // Truncating in place keeps links, devices and FIFOs pointing where they did.
  FileDescriptor file(OpenPath(path, O_WRONLY | O_CREAT | O_TRUNC, 0666));
  if (file.Get() < 0) {
    RaiseFileError(path, "create", errno);
  }
  if (!WriteAll(file.Get(), bytes)) {
    RaiseFileError(path, "write", errno);
  }
  if (!file.Close()) {
    RaiseFileError(path, "write", errno);
  }
}

void SystemPlatform::WriteOutput(std::string_view bytes) {
  if (outputClosed_) {
    throw OutputError("standard output is closed");
  }
  if (!WriteAll(kStandardOutput, bytes)) {
    throw OutputError("cannot write standard output: " + ErrnoText(errno));
  }
}

void SystemPlatform::FinishOutput() {
  if (outputClosed_) {
    return;
  }
  outputClosed_ = true;
  if (::close(kStandardOutput) != 0 && errno != EINTR) {
    throw OutputError("cannot close standard output: " + ErrnoText(errno));
  }
}

}  // namespace sendaro
