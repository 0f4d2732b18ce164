// The settings writer as root, where a file or link that someone else laid
// out must not make it write where it should not: a file without any write
// bit, a link to a file that does not exist, a link planted in a sticky
// world-writable folder. The links the kernel itself would follow still
// lead to their file.
#include <support/ChildProcess.h>
#include <support/LastError.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr uid_t kOtherUser = 4321;
const std::string original = "[Window]\r\nWidth=640\r\n";
const std::string updated = "[Window]\r\nWidth=1024\r\n";

std::string contents(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string put(const std::string &file, mode_t mode) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << original;
  EXPECT_EQ(::chmod(file.c_str(), mode), 0) << file;
  return file;
}

std::string folder(const std::string &path, mode_t mode, uid_t owner) {
  EXPECT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
  EXPECT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
  EXPECT_EQ(::chmod(path.c_str(), mode), 0) << path;
  return path;
}

std::string link(const std::string &target, const std::string &path, uid_t owner) {
  EXPECT_EQ(::symlink(target.c_str(), path.c_str()), 0) << path;
  EXPECT_EQ(::lchown(path.c_str(), owner, owner), 0) << path;
  return path;
}

// One case's files: the name the write is given, and the file behind it
// that the write must change, or leave as it was (absent, if it was).
struct Layout {
  std::string written;
  std::string target;
};

struct Case {
  const char *what;
  Layout (*build)(const std::string &scratch);
  bool followed; // the write succeeds and lands in the target
};

const Case cases[] = {
    {"a file without any write bit",
     [](const std::string &scratch) {
       const std::string file = put(scratch + "/velnor.ini", 0444);
       return Layout{file, file};
     },
     false},
    {"a link to a file that does not exist",
     [](const std::string &scratch) {
       folder(scratch + "/elsewhere", 0755, 0);
       return Layout{link("elsewhere/created.conf", scratch + "/velnor.ini", 0),
                     scratch + "/elsewhere/created.conf"};
     },
     false},
    {"another user's link in a sticky world-writable folder",
     [](const std::string &scratch) {
       const std::string secret = put(scratch + "/secret.conf", 0600);
       const std::string shared = folder(scratch + "/shared", 01777, 0);
       return Layout{link(secret, shared + "/velnor.ini", kOtherUser), secret};
     },
     false},
    {"another user's link in an ordinary folder",
     [](const std::string &scratch) {
       const std::string file = put(scratch + "/real.ini", 0644);
       return Layout{link("real.ini", scratch + "/velnor.ini", kOtherUser), file};
     },
     true},
};

TEST(ProfileLinks, RootWritesOnlyWhereTheKernelWouldLetIt) {
  if (::geteuid() != 0) {
    if (testsupport::underCi())
      FAIL() << "CI=true runs as root, but this test is not";
    GTEST_SKIP() << "needs root to lay out other users' links";
  }
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    char pattern[] = "/tmp/velnor-links-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string scratch = pattern;
    ASSERT_EQ(::chmod(scratch.c_str(), 0755), 0);
    const Layout layout = c.build(scratch);
    const bool existed = std::filesystem::exists(layout.target);

    SetLastError(testsupport::kUntouchedLastError);
    const BOOL result =
        WritePrivateProfileStringA("Window", "Width", "1024", layout.written.c_str());
    const DWORD error = GetLastError();

    if (c.followed) {
      EXPECT_TRUE(result);
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS));
      EXPECT_EQ(contents(layout.target), updated);
    } else {
      EXPECT_FALSE(result);
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
      EXPECT_EQ(std::filesystem::exists(layout.target), existed);
      if (existed) {
        EXPECT_EQ(contents(layout.target), original);
      }
    }
    // A link stays a link, whether it was followed or not.
    if (layout.written != layout.target) {
      EXPECT_TRUE(std::filesystem::is_symlink(layout.written));
    }
    std::filesystem::remove_all(scratch);
  }
}

} // namespace
