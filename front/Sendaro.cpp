#include "front/Sendaro.h"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "front/Messages.h"
#include "http/Base64.h"
#include "http/HeaderInfo.h"
#include "http/HttpClient.h"
#include "platform/AsciiText.h"
#include "platform/Error.h"
#include "platform/IntegerText.h"
#include "platform/SettingsFile.h"

namespace sendaro {

namespace {

constexpr std::string_view kSection = "SENDARO";
constexpr std::string_view kDefaultUser = "guest@example.com";
constexpr std::string_view kDefaultPassword = "guestword";
constexpr std::string_view kDefaultReferer = "http://www.example.com/";

// Input bytes per piece of the Base64 line. A multiple of three keeps padding at the very end;
// 192 KiB in makes 256 KiB out, so the line leaves in large writes without ever being held whole.
constexpr size_t kBase64PieceBytes = size_t{3} << 16;

constexpr int kExitSuccess = 0;
constexpr int kExitRejected = 1;
constexpr int kExitRequestFailed = 2;
constexpr int kExitOutputFailed = 3;

struct RunSettings {
  std::string Url;
  std::string PostFile;
  std::string OutFile;
  bool TextMode = false;
  std::string IniPath;
};

enum class Option { Url, ProxyServer, ProxyPort, PostFile, Text, User, Password, OutFile, Referer };

struct OptionInfo {
  std::string_view name;
  bool takesValue;
  Option option;
};

// Tested in this order; the first whose name begins the argument wins.
constexpr OptionInfo kOptions[] = {
    {"-url", true, Option::Url},
    {"-proxysrv", true, Option::ProxyServer},
    {"-proxyport", true, Option::ProxyPort},
    {"-post", true, Option::PostFile},
    {"-text", false, Option::Text},
    {"-user", true, Option::User},
    {"-pass", true, Option::Password},
    {"-o", true, Option::OutFile},
    {"-ref", true, Option::Referer},
};

constexpr std::string_view kSettingsOption = "-i";

bool BeginsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsHttpUrl(std::string_view url) {
  return EqualsIgnoringAsciiCase(url.substr(0, 7), "http://");
}

bool IsTextType(std::string_view contentType) {
  return ContainsIgnoringAsciiCase(contentType, "text");
}

// Messages are best effort: when standard output itself has failed there is nowhere else to
// say so, and the exit code still tells the caller.
void WriteMessage(Platform& platform, std::string_view head, std::string_view tail = {}) {
  std::string line;
  line.reserve(head.size() + tail.size() + messages::kLineEnd.size());
  line.append(head).append(tail).append(messages::kLineEnd);
  try {
    platform.WriteOutput(line);
  } catch (const OutputError&) {
  }
}

// Every key is assigned, present or not, so a later file replaces all values of an earlier one.
void ReadSettings(const SettingsFile& file, RunSettings& settings, HeaderInfo& request) {
  settings.Url = file.ReadString(kSection, "URL", "");
  settings.PostFile = file.ReadString(kSection, "POSTFILE", "");
  settings.OutFile = file.ReadString(kSection, "OUTFILE", "");
  settings.TextMode = ParseIntOr(file.ReadString(kSection, "TEXT", ""), 0) != 0;
  request.Username = file.ReadString(kSection, "USER", kDefaultUser);
  request.Password = file.ReadString(kSection, "PASSWORD", kDefaultPassword);
  request.Referer = file.ReadString(kSection, "REFERER", kDefaultReferer);
  request.ProxyServer = file.ReadString(kSection, "PROXYSERVER", "");
  request.ProxyPort = ParseIntOr(file.ReadString(kSection, "PROXYPORT", ""), 0);
}

// Every "-i" names a settings file; the argument after it is examined in its turn too.
void ReadSettingsFiles(const ArgumentList& arguments, Platform& platform, RunSettings& settings,
                       HeaderInfo& request) {
  const size_t count = arguments.Count();
  for (size_t index = 1; index <= count; ++index) {
    if (!BeginsWith(arguments.At(index), kSettingsOption)) {
      continue;
    }
    settings.IniPath = platform.FullPath(arguments.At(index + 1));
    if (platform.FileExists(settings.IniPath)) {
      ReadSettings(platform.ReadSettingsFile(settings.IniPath), settings, request);
    }
  }
}

void Apply(Option option, const std::string& value, RunSettings& settings, HeaderInfo& request) {
  switch (option) {
    case Option::Url:
      settings.Url = value;
      break;
    case Option::ProxyServer:
      request.ProxyServer = value;
      break;
    case Option::ProxyPort:
      request.ProxyPort = ParseInt(value);  // a bad value is not caught: the program ends on it
      break;
    case Option::PostFile:
      settings.PostFile = value;
      break;
    case Option::Text:
      settings.TextMode = true;
      break;
    case Option::User:
      request.Username = value;
      break;
    case Option::Password:
      request.Password = value;
      break;
    case Option::OutFile:
      settings.OutFile = value;
      break;
    case Option::Referer:
      request.Referer = value;
      break;
  }
}

// Runs after the settings files, so an option always wins over a file wherever "-i" stands.
void ReadOptions(const ArgumentList& arguments, RunSettings& settings, HeaderInfo& request) {
  for (size_t index = 1; index <= arguments.Count(); ++index) {
    const std::string argument = arguments.At(index);
    const auto* found =
        std::find_if(std::begin(kOptions), std::end(kOptions),
                     [&](const OptionInfo& o) { return BeginsWith(argument, o.name); });
    if (found == std::end(kOptions)) {
      continue;  // not an option of this pass, "-i" included
    }
    std::string value;
    if (found->takesValue) {
      ++index;
      value = arguments.At(index);
    }
    Apply(found->option, value, settings, request);
  }
}

// One attempt of the request. Any failure counts alike; its kind is not reported.
bool Attempt(HttpClient& client, const RunSettings& settings, MemoryBuffer& post,
             MemoryBuffer& reply) {
  try {
    if (settings.PostFile.empty()) {
      client.Get(settings.Url, &reply);
    } else {
      client.Post(settings.Url, post, &reply);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void WriteBase64Line(Platform& platform, MemoryBuffer& reply) {
  while (reply.Position() < reply.Size()) {
    platform.WriteOutput(
        EncodeBase64Line(reply, std::min(kBase64PieceBytes, reply.Size() - reply.Position())));
  }
  platform.WriteOutput(messages::kLineEnd);
}

int Deliver(Platform& platform, const RunSettings& settings, const HeaderInfo& response,
            MemoryBuffer& reply) {
  try {
    reply.SetPosition(0);
    if (!settings.OutFile.empty()) {
      platform.SaveFile(settings.OutFile, reply.View());
    } else if (IsTextType(response.ContentType) && settings.TextMode) {
      platform.WriteOutput(reply.View());
    } else {
      WriteBase64Line(platform, reply);
    }
    platform.FinishOutput();
  } catch (const std::exception&) {
    WriteMessage(platform, messages::kFileOutputError);
    if (!settings.OutFile.empty()) {
      WriteMessage(platform, messages::kFilename, settings.OutFile);
    }
    return kExitOutputFailed;
  }
  return kExitSuccess;
}

}  // namespace

std::string EncodeBase64Line(MemoryBuffer& buffer, size_t size) {
  const std::string_view all = buffer.View();
  const size_t start = std::min(buffer.Position(), all.size());
  const std::string_view bytes = all.substr(start, size);
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  AppendBase64(bytes, text);
  buffer.SetPosition(start + bytes.size());
  return text;
}

int run(const ArgumentList& arguments, Platform& platform) {
  RunSettings settings;
  HttpClient client;
  client.Request.UserAgent = kUserAgent;

  ReadSettingsFiles(arguments, platform, settings, client.Request);
  ReadOptions(arguments, settings, client.Request);

  if (!IsHttpUrl(settings.Url)) {
    WriteMessage(platform, messages::kUrlError);
    return kExitRejected;
  }

  MemoryBuffer post;
  if (!settings.PostFile.empty()) {
    try {
      platform.LoadFile(settings.PostFile, post);
    } catch (const std::exception&) {
      WriteMessage(platform, messages::kFileInputError);
      WriteMessage(platform, messages::kFilename, settings.PostFile);
      return kExitRejected;
    }
  }

  MemoryBuffer reply;
  if (!Attempt(client, settings, post, reply)) {
    // A body the failed attempt left half-read must not end up in front of the retry's body.
    reply.Clear();
    if (!Attempt(client, settings, post, reply)) {
      WriteMessage(platform, messages::kAccessError);
      WriteMessage(platform, messages::kUrl, settings.Url);
      const std::string& location = client.Response().Location;
      if (!location.empty()) {
        WriteMessage(platform, messages::kFileMoved);
        WriteMessage(platform, messages::kMovedTo, location);
      }
      return kExitRequestFailed;
    }
  }

  return Deliver(platform, settings, client.Response(), reply);
}

}  // namespace sendaro
