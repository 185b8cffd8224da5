#include "platform/SystemPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "platform/Error.h"
#include "platform/FullPath.h"

namespace sendaro {

namespace {

constexpr int kStandardOutput = 1;
// Largest single read when the size is not known in advance (pipes, devices).
constexpr size_t kReadPieceBytes = size_t{1} << 16;

std::string ErrnoText(int error) {
  return std::generic_category().message(error);
}

// A byte string with a NUL inside would name a different file once it reaches the system.
bool IsUsablePath(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos;
}

// Owns one open file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;

  [[nodiscard]] int Get() const noexcept { return fd_; }
  // Closes now and tells whether the system accepted everything written (some file systems
  // report a failed write only here).
  bool Close() noexcept {
    const int fd = fd_;
    fd_ = -1;
    // After EINTR Linux has closed the descriptor already; retrying could close another one.
    return ::close(fd) == 0 || errno == EINTR;
  }

 private:
  int fd_;
};

// Writes all of `bytes`; false (errno set) when the system refuses.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) {
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
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);

  // Standard output filled read-only, so that every write to it fails as it would have.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      ::open("/dev/null", fd == kStandardOutput ? O_RDONLY : O_RDWR);  // takes the lowest free fd
    }
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
  return IsUsablePath(path) && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

SettingsFile SystemPlatform::ReadSettingsFile(const std::string& path) {
  MemoryBuffer bytes;
  try {
    LoadFile(path, bytes);
  } catch (const FileError&) {
    return {};  // an unreadable settings file has no keys
  }
  return SettingsFile(std::string(bytes.View()));
}

void SystemPlatform::LoadFile(const std::string& path, MemoryBuffer& into) {
  into.Clear();
  if (!IsUsablePath(path)) {
    RaiseFileError(path, "open", ENOENT);
  }
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
  // A plain file is read straight into storage of its size; a pipe or device, or a file that
  // grows while read, goes on in pieces until the end.
  const size_t expected = S_ISREG(info.st_mode) ? static_cast<size_t>(info.st_size) : 0;
  into.Reserve(expected);
  while (into.Size() < expected) {
    const size_t want = expected - into.Size();
    const ssize_t got = ReadSome(file.Get(), into.PrepareWrite(want), want);
    if (got < 0) {
      RaiseFileError(path, "read", errno);
    }
    if (got == 0) {
      break;  // shrank while read
    }
    into.CommitWrite(static_cast<size_t>(got));
  }
  std::array<char, kReadPieceBytes> piece{};
  for (;;) {
    const ssize_t got = ReadSome(file.Get(), piece.data(), piece.size());
    if (got < 0) {
      RaiseFileError(path, "read", errno);
    }
    if (got == 0) {
      break;
    }
    into.Write(std::string_view(piece.data(), static_cast<size_t>(got)));
  }
  into.SetPosition(0);
}

void SystemPlatform::SaveFile(const std::string& path, std::string_view bytes) {
  if (!IsUsablePath(path)) {
    RaiseFileError(path, "create", ENOENT);
  }
  // Truncating in place keeps links, devices and FIFOs pointing where they did.
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
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
