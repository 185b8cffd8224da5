#include "front/Sendaro.h"
#include "platform/ArgumentList.h"
#include "platform/SystemPlatform.h"

int main(int argc, char** argv) {
  sendaro::SystemPlatform platform;
  const sendaro::ArgumentList arguments(argc, argv);
  return sendaro::RunReportingErrors(platform, [&] { return sendaro::run(arguments, platform); });
}
