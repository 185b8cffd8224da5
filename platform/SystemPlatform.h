#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace sendaro {

// The real operating system. Creating it makes a write to a vanished reader an error instead of
// a signal, and fills closed standard descriptors so that no file or socket opened later can take
// the place of standard output.
class SystemPlatform final : public Platform {
 public:
  SystemPlatform();
  ~SystemPlatform() override = default;
  SystemPlatform(const SystemPlatform&) = delete;
  SystemPlatform& operator=(const SystemPlatform&) = delete;
  SystemPlatform(SystemPlatform&&) = delete;
  SystemPlatform& operator=(SystemPlatform&&) = delete;

  std::string FullPath(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  SettingsFile ReadSettingsFile(const std::string& path) override;
  void LoadFile(const std::string& path, MemoryBuffer& into) override;
  void SaveFile(const std::string& path, std::string_view bytes) override;
  void WriteOutput(std::string_view bytes) override;
  void FinishOutput() override;

 private:
  bool outputClosed_ = false;
};

}  // namespace sendaro
