#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sendaro {

// Longest value a read returns; longer values are cut.
inline constexpr size_t kMaxSettingValueBytes = 2047;

// A Windows-style settings file held as its bytes: "[section]" lines and "key=value" lines.
// Reads give the results of the Windows private-profile reader; see ReadString.
class SettingsFile {
 public:
  SettingsFile() = default;  // a file without keys
  explicit SettingsFile(std::string text);

  // The value of `key` in the first section named `section`, or `fallback` when that section or
  // key is absent. Names compare without regard to ASCII case; the first matching key wins.
  [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key,
                                       std::string_view fallback) const;

 private:
  std::string text_;
};

}  // namespace sendaro
