#include "platform/Platform.h"

#include <exception>
#include <string>

#include "platform/Error.h"

namespace sendaro {

namespace {

void Report(Platform& platform, const std::string& line) {
  try {
    platform.WriteOutput(line + "\r\n");
  } catch (const OutputError&) {
    // Standard output is the only place a report may go; the exit code still tells.
  }
}

}  // namespace

int RunReportingErrors(Platform& platform, const std::function<int()>& body) {
  try {
    return body();
  } catch (const Error& e) {
    Report(platform, std::string(e.TypeName()) + ": " + e.what());
  } catch (const std::exception& e) {
    Report(platform, std::string("Exception: ") + e.what());
  }
  return 1;
}

}  // namespace sendaro
