// The real platform against the real file system: what the program asks of it at the edges.
#include "platform/SystemPlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/Error.h"
#include "platform/MemoryBuffer.h"
#include "platform/Socket.h"
#include "platform/Subprocess.h"
#include "tests/support/TempDirectory.h"

namespace sendaro::testing {
namespace {

namespace fs = std::filesystem;

TEST(SystemPlatformFiles, ExistenceMeansPresentAndNotADirectory) {
  TempDirectory dir("exists");
  WriteWholeFile(dir.Path() / "plain", "x");
  SystemPlatform platform;
  struct Case {
    const char* name;
    std::string path;
    bool exists;
  };
  const Case kCases[] = {
      {"plain file", (dir.Path() / "plain").string(), true},
      {"device", "/dev/null", true},
      {"directory", dir.Path().string(), false},
      {"missing", (dir.Path() / "missing").string(), false},
      {"plain file with a slash after it", (dir.Path() / "plain").string() + "/", false},
      {"NUL inside", (dir.Path() / "plain").string() + std::string("\0x", 2), false},
      {"empty", "", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(platform.FileExists(c.path), c.exists);
  }
  MemoryBuffer loaded;
  EXPECT_THROW(platform.LoadFile((dir.Path() / "plain").string() + std::string("\0x", 2), loaded),
               FileError);
  EXPECT_THROW(platform.SaveFile(std::string("\0", 1), "x"), FileError);
}

// A FIFO would wait for a writer for ever and a device would fill memory: neither is read.
TEST(SystemPlatformFiles, SettingsAreReadOnlyFromPlainFiles) {
  TempDirectory dir("settings");
  const std::string fifo = (dir.Path() / "fifo").string();
  ASSERT_EQ(RunChild({"/usr/bin/mkfifo", fifo}, {}).exitCode, 0);
  const std::string plain = (dir.Path() / "plain.ini").string();
  WriteWholeFile(plain, "[SENDARO]\nURL=here\n");
  SystemPlatform platform;
  for (const std::string& path : {fifo, std::string("/dev/zero"), dir.Path().string()}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(platform.ReadSettingsFile(path).ReadString("SENDARO", "URL", "none"), "none");
  }
  EXPECT_EQ(platform.ReadSettingsFile(plain).ReadString("SENDARO", "URL", "none"), "here");
}

TEST(SystemPlatformFiles, PathsLongerThanTheSystemTakesAtOnce) {
  TempDirectory root("deep");
  const fs::path start = fs::current_path();
  const std::string name(200, 'd');
  const int depth = 25;  // about 5000 bytes, past the system's limit for one path
  fs::current_path(root.Path());
  for (int i = 0; i < depth; ++i) {
    fs::create_directory(name);
    fs::current_path(name);
  }
  WriteWholeFile("s.ini", "[SENDARO]\nURL=deep\n");
  {
    SystemPlatform platform;
    const std::string full = platform.FullPath("s.ini");
    EXPECT_GT(full.size(), size_t{depth} * name.size());
    EXPECT_TRUE(platform.FileExists(full));
    EXPECT_EQ(platform.ReadSettingsFile(full).ReadString("SENDARO", "URL", ""), "deep");
    MemoryBuffer loaded;
    platform.LoadFile(full, loaded);
    EXPECT_EQ(loaded.View(), "[SENDARO]\nURL=deep\n");
    platform.SaveFile(full + ".out", "saved");
    EXPECT_EQ(ReadWholeFile("s.ini.out"), "saved");
  }
  // Climb back out level by level: the whole path is too long for one removal.
  fs::remove("s.ini");
  fs::remove("s.ini.out");
  for (int i = 0; i < depth; ++i) {
    fs::current_path("..");
    fs::remove(name);
  }
  fs::current_path(start);
}

// Polls `done` for up to ten seconds.
template <typename Condition>
bool WaitFor(Condition done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A server-like child is stopped by its own PID: politely, or by force once its grace is over.
TEST(SystemPlatformChildren, BackgroundChildIsStoppedByItsPid) {
  TempDirectory dir("children");
  const std::string log = (dir.Path() / "log").string();
  struct Case {
    const char* name;
    const char* script;
    int signal;
  };
  const Case kCases[] = {
      {"ends on SIGTERM", "echo started; exec sleep 60", SIGTERM},
      {"ignores SIGTERM", "trap '' TERM; echo started; while :; do sleep 1; done", SIGKILL},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove(log);
    BackgroundChild child = BackgroundChild::Start({"/bin/sh", "-c", c.script}, log);
    ASSERT_TRUE(WaitFor([&] { return !ReadWholeFile(log).empty(); }));  // its trap is set
    EXPECT_TRUE(child.Running());
    child.Stop(std::chrono::milliseconds(300));
    EXPECT_FALSE(child.Running());
    EXPECT_EQ(child.End().signal, c.signal);
    EXPECT_EQ(ReadWholeFile(log), "started\n");
  }

  BackgroundChild ended = BackgroundChild::Start({"/bin/sh", "-c", "exit 7"}, log);
  ASSERT_TRUE(WaitFor([&] { return !ended.Running(); }));
  EXPECT_EQ(ended.End().exitCode, 7);

  // The thread that started a child ends without stopping it (as a crashed test would): the
  // kernel kills the child, so that no server outlives its test run.
  BackgroundChild orphan;
  std::thread([&] { orphan = BackgroundChild::Start({"/bin/sleep", "60"}, log); }).join();
  ASSERT_TRUE(WaitFor([&] { return !orphan.Running(); }));
  EXPECT_EQ(orphan.End().signal, SIGKILL);
  EXPECT_THROW(BackgroundChild::Start({(dir.Path() / "missing").string()}, log), FileError);
}

// Readiness of a server is told by its own listening socket, never by another process's.
TEST(SystemPlatformChildren, ListeningIsToldPerProcess) {
  TempDirectory dir("listening");
  const std::string log = (dir.Path() / "log").string();
  BackgroundChild server = BackgroundChild::Start({SENDARO_DEMO_SERVER}, log);
  ASSERT_TRUE(WaitFor([&] { return ReadWholeFile(log).find('\n') != std::string::npos; }));
  const int port = std::stoi(ReadWholeFile(log));
  const Listener ours = Listener::Loopback();

  EXPECT_TRUE(server.ListensOn(port));
  EXPECT_FALSE(server.ListensOn(ours.Port()));
  server.Stop();
  EXPECT_FALSE(server.ListensOn(port));
}

}  // namespace
}  // namespace sendaro::testing
