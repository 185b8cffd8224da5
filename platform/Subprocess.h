#pragma once

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

}  // namespace sendaro
