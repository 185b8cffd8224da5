#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/MemoryBuffer.h"
#include "platform/SettingsFile.h"

namespace sendaro {

// What the program asks of the operating system, behind one interface so that the program runs
// against the real system and, in tests, against a stand-in.
class Platform {
 public:
  Platform() = default;
  virtual ~Platform() = default;
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
  Platform(Platform&&) = delete;
  Platform& operator=(Platform&&) = delete;

  // The absolute form of `path`, relative paths taken from the current directory; empty (naming
  // no file) for an empty path, or a relative one when the current directory cannot be told.
  virtual std::string FullPath(const std::string& path) = 0;
  // Whether `path` exists and is not a directory.
  virtual bool FileExists(const std::string& path) = 0;
  // A settings file that cannot be read has no keys.
  virtual SettingsFile ReadSettingsFile(const std::string& path) = 0;
  // Replaces the content of `into` with every byte of the file (position 0). Raises FileError.
  virtual void LoadFile(const std::string& path, MemoryBuffer& into) = 0;
  // Creates the file, or empties and rewrites it in place, with `bytes`. Raises FileError.
  virtual void SaveFile(const std::string& path, std::string_view bytes) = 0;
  // Writes every byte to standard output. Raises OutputError.
  virtual void WriteOutput(std::string_view bytes) = 0;
  // Delivers whatever standard output still holds and closes it. Raises OutputError.
  virtual void FinishOutput() = 0;
};

// Runs the program's body. An error that nothing in it caught is reported as one line on
// standard output (the error's type name, ": ", its message) and gives exit code 1.
int RunReportingErrors(Platform& platform, const std::function<int()>& body);

}  // namespace sendaro
