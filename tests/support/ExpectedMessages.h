#pragma once

#include <string>

namespace sendaro::testing {

// The program's message lines, spelled out here byte for byte (Shift_JIS, CR LF) instead of taken
// from the program, so that a changed literal shows as a failing test.
inline const std::string kUrlError =
    "\x82\x74\x82\x71\x82\x6B\x8E\x77\x92\xE8\x83\x47\x83\x89\x81\x5B\r\n";
inline const std::string kFileInputError =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x93\xFC\x97\xCD\x83\x47\x83\x89\x81\x5B\r\n";
inline const std::string kAccessError =
    "\x83\x41\x83\x4E\x83\x5A\x83\x58\x83\x47\x83\x89\x81\x5B\r\n";
inline const std::string kFileMoved =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD\x88\xDA\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "\x42\r\n";
inline const std::string kMovedTo = "\x88\xDA\x93\xAE\x90\xE6: ";
inline const std::string kFileOutputError =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x8F\x6F\x97\xCD\x83\x47\x83\x89\x81\x5B\r\n";

// The lines after two failed attempts at `url`, and the two move lines when `location` is set.
inline std::string AccessErrorLines(const std::string& url, const std::string& location = "") {
  std::string lines = kAccessError + "URL: " + url + "\r\n";
  if (!location.empty()) {
    lines += kFileMoved;
    lines += kMovedTo;
    lines += location;
    lines += "\r\n";
  }
  return lines;
}

}  // namespace sendaro::testing
