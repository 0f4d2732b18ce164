// WritePrivateProfileStringA where the file may not be replaced: a read-only
// file and a full file system must return FALSE and leave the original as it
// was; a read-only folder gets its settings in a per-user copy. Permission checks mean nothing to
// root, so as root the writes run in a child that has dropped to nobody (65534).
#include <support/ChildProcess.h>
#include <support/LastError.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

using testsupport::runInChild;
using testsupport::underCi;

namespace {

constexpr uid_t kNobody = 65534;
constexpr DWORD kErrorDiskFull = 112;
// The child could not set up what the test needs (not a test failure).
constexpr int kCannotSetUp = 77;

const std::string original = "[Window]\r\nWidth=640\r\n";

std::string contents(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const std::string &file, const std::string &bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

std::set<std::string> entries(const std::string &folder) {
  std::set<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// In the child: FALSE with the expected error, and the file and folder as
// they were. Returns the child's exit code.
int expectRefused(const char *section, const char *key, const char *value, const std::string &file,
                  DWORD expectedError, const std::set<std::string> &expectedEntries) {
  SetLastError(testsupport::kUntouchedLastError);
  const BOOL result = WritePrivateProfileStringA(section, key, value, file.c_str());
  const DWORD error = GetLastError();
  const std::string folder = std::filesystem::path(file).parent_path();
  int failures = 0;
  if (result != FALSE) {
    std::fprintf(stderr, "%s: the write succeeded\n", file.c_str());
    ++failures;
  }
  if (error != expectedError) {
    std::fprintf(stderr, "%s: error %lu, expected %lu\n", file.c_str(),
                 static_cast<unsigned long>(error), static_cast<unsigned long>(expectedError));
    ++failures;
  }
  if (std::filesystem::exists(file) && contents(file) != original) {
    std::fprintf(stderr, "%s: the file changed\n", file.c_str());
    ++failures;
  }
  if (entries(folder) != expectedEntries) {
    std::fprintf(stderr, "%s: the folder holds %zu entries\n", folder.c_str(),
                 entries(folder).size());
    ++failures;
  }
  return failures;
}

class ProfilePermissions : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/velnor-permissions-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    ASSERT_EQ(::chmod(root_.c_str(), 0755), 0);
  }
  void TearDown() override {
    if (!root_.empty()) {
      std::error_code ignored;
      for (const auto &entry : std::filesystem::recursive_directory_iterator(root_, ignored))
        if (entry.is_directory(ignored))
          ::chmod(entry.path().c_str(), 0755);
      std::filesystem::remove_all(root_, ignored);
    }
  }

  // A folder (and its files) owned by the user the writes run as.
  std::string userFolder(const std::string &name, mode_t mode,
                         const std::set<std::string> &files) const {
    const std::string folder = root_ + "/" + name;
    EXPECT_EQ(::mkdir(folder.c_str(), 0755), 0);
    for (const std::string &file : files) {
      put(folder + "/" + file, original);
      giveAway(folder + "/" + file);
    }
    giveAway(folder);
    EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
    return folder;
  }

  // Runs body as an unprivileged user: nobody when the test runs as root.
  template <class Body> static int asUser(Body body) {
    return runInChild([&] {
      if (::geteuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        return kCannotSetUp;
      return body();
    });
  }

  static void giveAway(const std::string &path) {
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0) << path;
    }
  }

  std::string root_;
};

TEST_F(ProfilePermissions, AReadOnlyFileIsNotReplaced) {
  const std::string folder = userFolder("user", 0755, {"settings.ini"});
  const std::string file = folder + "/settings.ini";
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  const int code = asUser([&] {
    const std::set<std::string> expected{"settings.ini"};
    // A new value, a value it already has, a deletion: Windows refuses to
    // open the file for any of them.
    return expectRefused("Window", "Width", "1024", file, ERROR_ACCESS_DENIED, expected) +
           expectRefused("Window", "Width", "640", file, ERROR_ACCESS_DENIED, expected) +
           expectRefused("Window", nullptr, nullptr, file, ERROR_ACCESS_DENIED, expected);
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(contents(file), original);
}

// An installed program's folder: the user's settings go to a per-user copy
// under $XDG_CONFIG_HOME (else ~/.config), and the next run reads them back
// from there, by any spelling of the file's path.
TEST_F(ProfilePermissions, AReadOnlyFolderKeepsTheSettingsInAPerUserCopy) {
  const std::string program = userFolder("program", 0555, {"velnor.ini"});
  const std::string file = program + "/velnor.ini";
  const std::string home = userFolder("home", 0755, {});
  const std::string copy = home + "/.config/velnor/VirtualStore" + program + "/velnor.ini";
  const auto readWidth = [](const std::string &path) {
    return static_cast<int>(GetPrivateProfileIntA("Window", "Width", -1, path.c_str()));
  };
  const int firstRun = asUser([&] {
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    if (readWidth(file) != 640) // no copy yet: the file itself
      return 1;
    return WritePrivateProfileStringA("Window", "Height", "480", file.c_str()) == TRUE &&
                   WritePrivateProfileStringA("Window", "Width", "1024", file.c_str()) == TRUE
               ? 0
               : 2;
  });
  EXPECT_EQ(firstRun, 0);
  EXPECT_EQ(contents(file), original);
  EXPECT_EQ(entries(program), std::set<std::string>{"velnor.ini"});
  EXPECT_EQ(contents(copy), "[Window]\r\nWidth=1024\r\nHeight=480\r\n");
  struct stat status {};
  ASSERT_EQ(::stat((home + "/.config/velnor").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);

  const int nextRun = asUser([&] {
    ::setenv("HOME", home.c_str(), 1);
    // A relative value is ignored: the home folder's .config stands in.
    ::setenv("XDG_CONFIG_HOME", "config", 1);
    if (::chdir(program.c_str()) != 0)
      return kCannotSetUp;
    return readWidth(file) == 1024 && readWidth("velnor.ini") == 1024 &&
                   readWidth(program + "/../program/velnor.ini") == 1024
               ? 0
               : 1;
  });
  EXPECT_EQ(nextRun, 0);
}

TEST_F(ProfilePermissions, AWritableFolderKeepsTheFileBesideTheProgram) {
  const std::string program = userFolder("portable", 0755, {"velnor.ini"});
  const std::string file = program + "/velnor.ini";
  const std::string config = userFolder("config", 0755, {});
  const int code = asUser([&] {
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    return WritePrivateProfileStringA("Window", "Width", "1024", file.c_str()) == TRUE ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(contents(file), "[Window]\r\nWidth=1024\r\n");
  EXPECT_TRUE(entries(config).empty());
}

TEST_F(ProfilePermissions, AFullFileSystemLeavesTheOriginal) {
  if (::geteuid() != 0 && !underCi())
    GTEST_SKIP() << "needs root to mount a small tmpfs";
  const std::string folder = root_ + "/small";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const int code = runInChild([&] {
    // A mount namespace of the child's own: the tmpfs goes away with it.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
      return kCannotSetUp;
    const std::string file = folder + "/settings.ini";
    put(file, original);
    const int filler = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(4096, 'f');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);
    const std::string value(8192, 'v');
    return expectRefused("Window", "Width", value.c_str(), file, kErrorDiskFull,
                         {"filler", "settings.ini"});
  });
  if (code == kCannotSetUp && !underCi())
    GTEST_SKIP() << "cannot mount a tmpfs here";
  EXPECT_EQ(code, 0);
}

} // namespace
