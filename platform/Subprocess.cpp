#include "platform/Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/Error.h"
#include "platform/FileDescriptor.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): the spawned child inherits it

namespace sendaro {

namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
  throw FileError(what + ": " + std::generic_category().message(error));
}

// The two ends of a pipe; neither end leaks into other children.
class Pipe {
 public:
  Pipe() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
      Fail("cannot create a pipe", errno);
    }
    read_ = FileDescriptor(ends[0]);
    write_ = FileDescriptor(ends[1]);
  }

  [[nodiscard]] int Read() const noexcept { return read_.Get(); }
  [[nodiscard]] int Write() const noexcept { return write_.Get(); }
  void CloseRead() noexcept { read_.Close(); }
  void CloseWrite() noexcept { write_.Close(); }

 private:
  FileDescriptor read_;
  FileDescriptor write_;
};

class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  FileActions(FileActions&&) = delete;
  FileActions& operator=(FileActions&&) = delete;

  posix_spawn_file_actions_t* Get() noexcept { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_{};
};

// Reads both pipes to their ends, whichever the child fills first.
void Collect(Pipe* output, Pipe& errors, ChildResult& result) {
  std::array<pollfd, 2> watched{};
  watched[0] = {errors.Read(), POLLIN, 0};
  watched[1] = {output != nullptr ? output->Read() : -1, POLLIN, 0};
  std::array<std::string*, 2> into{&result.errors, &result.output};
  std::array<char, 65536> piece{};
  while (watched[0].fd >= 0 || watched[1].fd >= 0) {
    if (::poll(watched.data(), watched.size(), -1) < 0) {
      if (errno == EINTR) {
        continue;
      }
      Fail("cannot wait for the child's output", errno);
    }
    for (size_t i = 0; i < watched.size(); ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) {
        continue;
      }
      const ssize_t got = ::read(watched[i].fd, piece.data(), piece.size());
      if (got > 0) {
        into[i]->append(piece.data(), static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        watched[i].fd = -1;  // the end of this stream
      }
    }
  }
}

// The argument vector in the exec interface's form, ending in a null pointer.
std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));  // NOLINT: the exec interface is not const
  }
  args.push_back(nullptr);
  return args;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options) {
  std::vector<char*> args = ArgumentPointers(argv);

  Pipe errors;
  Pipe output;
  FileActions actions;
  posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
  switch (options.output) {
    case ChildOutput::Capture:
      if (options.nonBlockingOutput && ::fcntl(output.Write(), F_SETFL, O_NONBLOCK) != 0) {
        Fail("cannot make the output pipe non-blocking", errno);
      }
      posix_spawn_file_actions_adddup2(actions.Get(), output.Write(), 1);
      break;
    case ChildOutput::ClosedPipe:
      output.CloseRead();
      posix_spawn_file_actions_adddup2(actions.Get(), output.Write(), 1);
      break;
    case ChildOutput::File:
      posix_spawn_file_actions_addopen(actions.Get(), 1, options.outputPath.c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0644);
      break;
    case ChildOutput::Closed:
      posix_spawn_file_actions_addclose(actions.Get(), 1);
      break;
  }
  posix_spawn_file_actions_adddup2(actions.Get(), errors.Write(), 2);
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(actions.Get(), options.workingDirectory.c_str());
  }

  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], actions.Get(), nullptr, args.data(), environ);
  if (spawned != 0) {
    Fail("cannot start " + argv.at(0), spawned);
  }
  errors.CloseWrite();
  output.CloseWrite();

  ChildResult result;
  Collect(options.output == ChildOutput::Capture ? &output : nullptr, errors, result);
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      Fail("cannot wait for " + argv.at(0), errno);
    }
  }
  result.peakResidentBytes = static_cast<size_t>(usage.ru_maxrss) * 1024;  // Linux: kilobytes
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  return result;
}

BackgroundChild BackgroundChild::Start(const std::vector<std::string>& argv,
                                       const std::string& logPath,
                                       const std::string& workingDirectory) {
  // fork and exec instead of posix_spawn, for the one thing posix_spawn cannot do: have the
  // kernel kill the child when the thread that started it dies without stopping it (a crash, a
  // time-out kill), so that no server outlives a test run. A child that changes its user ID
  // loses that order. Between fork and exec only async-signal-safe calls.
  std::vector<char*> args = ArgumentPointers(argv);
  const FileDescriptor log(
      ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (log.Get() < 0) {
    Fail("cannot open " + logPath, errno);
  }
  Pipe execError;  // the child writes its errno here when exec fails; exec closes it otherwise
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    Fail("cannot start " + argv.at(0), errno);
  }
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
      ::_exit(127);  // the parent is already gone
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    int error = 0;
    if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(log.Get(), 1) < 0 || ::dup2(log.Get(), 2) < 0 ||
        (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)) {
      error = errno;
    } else {
      ::execve(args[0], args.data(), environ);
      error = errno;
    }
    (void)!::write(execError.Write(), &error, sizeof error);
    ::_exit(127);
  }
  execError.CloseWrite();
  BackgroundChild child(pid);
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(execError.Read(), &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  if (got > 0) {
    child.Stop();
    Fail("cannot start " + argv.at(0), error);
  }
  return child;
}

BackgroundChild::BackgroundChild(BackgroundChild&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), end_(std::move(other.end_)) {}

BackgroundChild& BackgroundChild::operator=(BackgroundChild&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = std::exchange(other.pid_, -1);
    end_ = std::move(other.end_);
  }
  return *this;
}

void BackgroundChild::Reaped(int status) noexcept {
  pid_ = -1;
  if (WIFEXITED(status)) {
    end_.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    end_.signal = WTERMSIG(status);
  }
}

bool BackgroundChild::Running() noexcept {
  if (pid_ < 0) {
    return false;
  }
  int status = 0;
  pid_t got = 0;
  do {
    got = ::waitpid(pid_, &status, WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == pid_) {
    Reaped(status);
  } else if (got < 0) {
    pid_ = -1;  // not ours to wait for any more
  }
  return pid_ >= 0;
}

bool BackgroundChild::ListensOn(int port) const {
  if (pid_ < 0) {
    return false;
  }
  // /proc/net/tcp: "sl local_address rem_address st ... uid timeout inode", the address as
  // hexadecimal IPv4 (in memory order) and port; state 0A is LISTEN.
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  std::vector<std::string> inodes;
  char wanted[16];
  std::snprintf(wanted, sizeof wanted, ":%04X", static_cast<unsigned>(port));
  while (std::getline(table, line)) {
    std::istringstream text(line);
    const std::vector<std::string> fields{std::istream_iterator<std::string>(text),
                                          std::istream_iterator<std::string>()};
    if (fields.size() < 10 || fields[3] != "0A") {
      continue;
    }
    const std::string& local = fields[1];
    const bool loopbackOrAny = local.rfind("0100007F:", 0) == 0 || local.rfind("00000000:", 0) == 0;
    if (loopbackOrAny && local.substr(8) == wanted) {
      inodes.push_back("socket:[" + fields[9] + "]");
    }
  }
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    for (const std::string& inode : inodes) {
      if (target == inode) {
        return true;
      }
    }
  }
  return false;
}

void BackgroundChild::Stop(std::chrono::milliseconds grace) noexcept {
  if (!Running()) {
    return;
  }
  ::kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (Running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (pid_ < 0) {
    return;
  }
  ::kill(pid_, SIGKILL);
  int status = 0;
  pid_t got = 0;
  do {
    got = ::waitpid(pid_, &status, 0);
  } while (got < 0 && errno == EINTR);
  if (got == pid_) {
    Reaped(status);
  } else {
    pid_ = -1;  // not ours to wait for any more; how it ended is unknown
  }
}

}  // namespace sendaro
