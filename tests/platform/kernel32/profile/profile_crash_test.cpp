// The settings file when its writer is killed: it must always read back as
// the content before or after one complete update, and killed writers must
// not pile up temporary files beside it.
#include <support/ChildProcess.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace {

std::string contents(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> entries(const std::string &folder) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// The file after `count` updates of Count; the padding makes each write
// take long enough for kills to land in its middle.
std::string settingsAfter(UINT count) {
  std::string text = "; Velnor\r\n[Window]\r\nCount=" + std::to_string(count) + "\r\n[Padding]\r\n";
  for (int line = 0; line < 64; ++line)
    text += "Line" + std::to_string(line) + "=" +
            std::string(60, static_cast<char>('a' + line % 26)) + "\r\n";
  return text;
}

class ProfileCrash : public ::testing::Test {
protected:
  void SetUp() override {
    // A kill tests the process dying, not the power failing: what the file
    // holds does not depend on fsync, which costs about 13 ms an update on
    // ext4 here and next to nothing on tmpfs, so the test runs on tmpfs
    // where the machine has one.
    struct statfs shm {};
    std::string pattern = ::statfs("/dev/shm", &shm) == 0 && shm.f_type == TMPFS_MAGIC
                              ? "/dev/shm/velnor-crash-XXXXXX"
                              : "/tmp/velnor-crash-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    file_ = folder_ + "/velnor.ini";
  }
  void TearDown() override {
    if (!folder_.empty())
      std::filesystem::remove_all(folder_);
  }

  std::string folder_;
  std::string file_;
};

TEST_F(ProfileCrash, KilledWritersLeaveAWholeFileAndNoTemporaryFiles) {
  constexpr int kills = 1000;
  std::ofstream(file_, std::ios::binary) << settingsAfter(0);
  std::mt19937 random(20261208);
  // The writer reports once its first update is done (a forked child's
  // first one is slow, under ASan above all); from then on it is always in
  // the middle of an update, and the kill comes within the time a few
  // updates take.
  std::uniform_int_distribution<int> delay(0, 1000);
  int torn = 0;
  UINT last = 0;
  for (int kill = 0; kill < kills; ++kill) {
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::close(started[0]);
      for (bool first = true;; first = false) {
        const UINT count = GetPrivateProfileIntA("Window", "Count", 0, file_.c_str());
        WritePrivateProfileStringA("Window", "Count", std::to_string(count + 1).c_str(),
                                   file_.c_str());
        const char ready = 1;
        if (first && ::write(started[1], &ready, 1) != 1)
          ::_exit(1);
      }
    }
    ::close(started[1]);
    char ready = 0;
    ASSERT_EQ(::read(started[0], &ready, 1), 1);
    ::close(started[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ::kill(writer, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);

    const std::string now = contents(file_);
    const UINT count = GetPrivateProfileIntA("Window", "Count", 0xFFFFFFFFu, file_.c_str());
    if (now != settingsAfter(count) || count < last) {
      ++torn;
      std::ofstream(file_, std::ios::binary | std::ios::trunc) << settingsAfter(last);
      continue;
    }
    last = count;
  }
  const size_t leftOver = entries(folder_).size() - 1;
  std::printf("%d kills, %d torn files, %zu left over (%u updates completed)\n", kills, torn,
              leftOver, last);
  EXPECT_EQ(torn, 0);
  EXPECT_LE(leftOver, 1u);
  // Every writer finished its first update before it was killed.
  EXPECT_GE(last, static_cast<UINT>(kills));
}

// A temporary file whose writer has died goes with the next write; one whose
// writer lives (the process exists, or another holds its lock, as a writer
// in another pid namespace would) stays, as do names of other shapes.
TEST_F(ProfileCrash, RemovesOnlyTheTemporaryFilesOfDeadWriters) {
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0)
    ::_exit(0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const std::string deadPid = std::to_string(dead);
  const std::string livePid = std::to_string(::getpid());

  std::ofstream(file_, std::ios::binary) << "[A]\r\nx=1\r\n";
  const std::set<std::string> kept = {
      "velnor.ini",
      ".velnor.ini." + livePid + ".Ab3dEf",
      ".velnor.ini." + deadPid + ".locked",
      ".velnor.ini." + deadPid + ".short",
      ".velnor.ini." + deadPid + ".Ab-dEf",
      ".velnor.ini.x" + deadPid + ".Ab3dEf",
      ".other.ini." + deadPid + ".Ab3dEf",
      "velnor.ini." + deadPid + ".Ab3dEf",
  };
  const std::set<std::string> removed = {".velnor.ini." + deadPid + ".Ab3dEf",
                                         ".velnor.ini." + deadPid + ".XXXXXX"};
  for (const std::set<std::string> *names : {&kept, &removed})
    for (const std::string &name : *names)
      if (name != "velnor.ini")
        std::ofstream(folder_ + "/" + name) << "partial";
  const int locked = ::open((folder_ + "/.velnor.ini." + deadPid + ".locked").c_str(), O_RDONLY);
  ASSERT_GE(locked, 0);
  ASSERT_EQ(::flock(locked, LOCK_EX), 0);

  EXPECT_TRUE(WritePrivateProfileStringA("A", "x", "2", file_.c_str()));
  ::close(locked);
  EXPECT_EQ(entries(folder_), kept);
  EXPECT_EQ(contents(file_), "[A]\r\nx=2\r\n");
}

} // namespace
