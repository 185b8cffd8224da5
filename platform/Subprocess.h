#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace sendaro {

// Where a child's standard output goes.
enum class ChildOutput {
  Capture,     // into ChildResult::output
  ClosedPipe,  // a pipe whose reading end is already closed: every write fails
  File,        // the file ChildOptions::outputPath, created or truncated
  Closed,      // no standard output at all
};

struct ChildOptions {
  std::string workingDirectory;  // empty: the parent's
  ChildOutput output = ChildOutput::Capture;
  std::string outputPath;
  bool nonBlockingOutput = false;  // a captured output pipe in non-blocking mode, as some callers
                                   // hand over
};

struct ChildResult {
  int exitCode = -1;             // -1 when a signal ended the child
  int signal = 0;                // the signal that ended it, or 0
  std::string output;            // standard output, when captured
  std::string errors;            // standard error, always captured
  size_t peakResidentBytes = 0;  // the most memory the child held at any time
};

// Starts the program at the path `argv[0]` with standard input from /dev/null, collects its
// output and waits for its end. Raises FileError when it cannot be started.
ChildResult RunChild(const std::vector<std::string>& argv, const ChildOptions& options);

// A child that runs beside the caller (a server that tests start), stopped by its own process ID
// when the owner asks or goes away. Move-only.
class BackgroundChild {
 public:
  // Starts the program at the path `argv[0]` in `workingDirectory` (empty: the parent's) with
  // standard input from /dev/null and standard output and error appended to `logPath`. The
  // child is killed when the calling thread ends without stopping it. Raises FileError when it
  // cannot be started.
  static BackgroundChild Start(const std::vector<std::string>& argv, const std::string& logPath,
                               const std::string& workingDirectory = "");

  BackgroundChild() noexcept = default;
  ~BackgroundChild() { Stop(); }
  BackgroundChild(BackgroundChild&& other) noexcept;
  BackgroundChild& operator=(BackgroundChild&& other) noexcept;
  BackgroundChild(const BackgroundChild&) = delete;
  BackgroundChild& operator=(const BackgroundChild&) = delete;

  [[nodiscard]] int Pid() const noexcept { return pid_; }
  // False once the child has ended (it is then reaped, and End() tells how).
  bool Running() noexcept;
  // Whether the child itself (not another process) holds a listening TCP socket on port `port`
  // of 127.0.0.1 or of every address: that a server is ready, and on the port it was given.
  [[nodiscard]] bool ListensOn(int port) const;
  // Sends SIGTERM to the child, gives it `grace` to end, then sends SIGKILL; waits for its end
  // either way. Does nothing when it has already ended.
  void Stop(std::chrono::milliseconds grace = std::chrono::seconds(10)) noexcept;
  // How the child ended: exit code and signal as in ChildResult (-1 and 0 while it runs).
  [[nodiscard]] const ChildResult& End() const noexcept { return end_; }

 private:
  explicit BackgroundChild(int pid) noexcept : pid_(pid) {}
  void Reaped(int status) noexcept;

  int pid_ = -1;  // -1: no child, or reaped
  ChildResult end_;
};

}  // namespace sendaro
