#include <support/LastError.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace std::string_literals;
using testsupport::kUntouchedLastError;

namespace {

constexpr DWORD errorPathNotFound = 3;
constexpr DWORD errorDiskFull = 112;
constexpr DWORD errorCannotResolveName = 1921;

// A fresh folder per test, removed with everything in it afterwards.
class ProfileFolder : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/velnor-profile-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    if (!folder_.empty())
      std::filesystem::remove_all(folder_);
  }

  std::string path(const std::string &name) const { return folder_ + "/" + name; }

  std::string put(const std::string &name, std::string_view bytes) const {
    const std::string file = path(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << file;
    return file;
  }

  static std::string contents(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::set<std::string> entries(const std::string &subfolder = "") const {
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(path(subfolder)))
      names.insert(entry.path().filename().string());
    return names;
  }

  static ino_t inode(const std::string &file) {
    struct stat status {};
    EXPECT_EQ(::stat(file.c_str(), &status), 0) << file;
    return status.st_ino;
  }

  std::string folder_;
};

using ProfileRead = ProfileFolder;
using ProfileInt = ProfileFolder;
using ProfileWrite = ProfileFolder;
using ProfileGarbage = ProfileFolder;
using ProfileReplacement = ProfileFolder;

// The string GetPrivateProfileStringA gives; also checks that the returned
// length matches it and that nothing was written past the buffer.
std::string profileString(const char *section, const char *key, const char *fallback,
                          const std::string &file, DWORD size = 1024) {
  std::vector<char> buffer(size + 1, '#');
  const DWORD length =
      GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, file.c_str());
  EXPECT_EQ(buffer[size], '#') << "wrote past the end of the buffer";
  const std::string text(buffer.data());
  EXPECT_EQ(length, text.size()) << "for the value \"" << text << '"';
  return text;
}

struct ListResult {
  DWORD length;
  std::string bytes; // the first `size` bytes of the buffer
};

// A section-name (section null) or key-name (key null) list, as raw bytes.
ListResult profileList(const char *section, const std::string &file, DWORD size = 1024) {
  std::vector<char> buffer(size + 1, '#');
  const DWORD length =
      GetPrivateProfileStringA(section, nullptr, "dflt", buffer.data(), size, file.c_str());
  EXPECT_EQ(buffer[size], '#') << "wrote past the end of the buffer";
  return {length, std::string(buffer.data(), size)};
}

bool write(const char *section, const char *key, const char *value, const std::string &file) {
  return WritePrivateProfileStringA(section, key, value, file.c_str()) != FALSE;
}

// The last error a write leaves when it is refused (a write that goes
// through fails the test).
DWORD refusal(const char *section, const char *key, const char *value, const char *file) {
  SetLastError(kUntouchedLastError);
  EXPECT_FALSE(WritePrivateProfileStringA(section, key, value, file)) << "a refused write";
  return GetLastError();
}

// Returns text with its first `from` replaced by `to`, failing when absent.
std::string replaced(std::string text, std::string_view from, std::string_view to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos)
    text.replace(at, from.size(), to);
  return text;
}

TEST_F(ProfileRead, MatchesNamesCaseInsensitivelyAndTakesTheFirstMatch) {
  const std::string file = put("settings.ini", "; Velnor\r\n"
                                               "stray=outside any section\r\n"
                                               "[Window]\r\n"
                                               "Width=640\r\n"
                                               "  width = 800\r\n"
                                               "[ WINDOW ]\r\n"
                                               "Height=480\r\n"
                                               "[Other]\r\n"
                                               "Height=1\r\n");
  EXPECT_EQ(profileString("window", "WIDTH", "dflt", file), "640");
  EXPECT_EQ(profileString("  Window ", " width\t", "dflt", file), "640");
  // Only the first [Window] section is searched.
  EXPECT_EQ(profileString("WINDOW", "Height", "dflt", file), "dflt");
  EXPECT_EQ(profileString("OTHER", "height", "dflt", file), "1");
  // Keys above the first section belong to none, and comments are no keys.
  EXPECT_EQ(profileString("", "stray", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "; Velnor", "dflt", file), "dflt");
  EXPECT_EQ(GetPrivateProfileIntA("Window", "Width", 0, file.c_str()), 640u);
}

TEST_F(ProfileRead, TrimsBlanksAndRemovesMatchingQuotes) {
  const std::string file = put("settings.ini", "[S]\n"
                                               "plain =   spaced value  \t\n"
                                               "double=\"quoted\"\n"
                                               "single=' padded '\n"
                                               "mixed=\"not stripped'\n"
                                               "lone=\"\n"
                                               "inner=a \"b\" c\n"
                                               "empty=\n"
                                               "; commented=yes\n"
                                               "  ;indented=yes\n");
  const struct {
    const char *key;
    const char *expected;
  } cases[] = {
      {"plain", "spaced value"},
      {"double", "quoted"},
      {"single", " padded "},
      {"mixed", "\"not stripped'"},
      {"lone", "\""},
      {"inner", "a \"b\" c"},
      // A key with an empty value exists: its value, not the default.
      {"empty", ""},
      {"commented", "dflt"},
      {"indented", "dflt"},
      {";indented", "dflt"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(profileString("S", c.key, "dflt", file), c.expected) << c.key;
}

TEST_F(ProfileRead, GivesTheDefaultWhenFileSectionOrKeyIsMissing) {
  const std::string file = put("settings.ini", "[Window]\r\nWidth=640\r\n");
  SetLastError(kUntouchedLastError);
  EXPECT_EQ(profileString("Window", "Width", "dflt", path("missing.ini")), "dflt");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(profileString("Nothing", "Width", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "Height", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "Height", nullptr, file), "");
  // Trailing blanks of the default go, inner ones stay.
  EXPECT_EQ(profileString("Window", "Height", "one two  \t ", file), "one two");
  EXPECT_EQ(profileString("Window", "Width", "dflt", ""), "dflt");

  // There is no win.ini to fall back on.
  char buffer[16] = "xxxxxxxxxxxxxxx";
  EXPECT_EQ(GetPrivateProfileStringA("Window", "Width", "dflt", buffer, sizeof buffer, nullptr),
            4u);
  EXPECT_STREQ(buffer, "dflt");

  // A folder or a FIFO in place of the file reads as missing, without blocking.
  ASSERT_EQ(::mkdir(path("folder.ini").c_str(), 0755), 0);
  EXPECT_EQ(profileString("Window", "Width", "dflt", path("folder.ini")), "dflt");
  ASSERT_EQ(::mkfifo(path("fifo.ini").c_str(), 0644), 0);
  EXPECT_EQ(profileString("Window", "Width", "dflt", path("fifo.ini")), "dflt");
  EXPECT_EQ(GetPrivateProfileIntA("Window", "Width", 7, path("fifo.ini").c_str()), 7u);
}

TEST_F(ProfileRead, CopiesAtMostTheBufferAndCountsTheCopiedChars) {
  const std::string file = put("settings.ini", "[S]\nkey=value1\nquoted=\"abcdef\"\n");
  EXPECT_EQ(profileString("S", "key", "dflt", file, 7), "value1");
  EXPECT_EQ(profileString("S", "key", "dflt", file, 6), "value"); // returns nSize - 1
  EXPECT_EQ(profileString("S", "key", "dflt", file, 1), "");
  EXPECT_EQ(profileString("S", "quoted", "dflt", file, 4), "abc");
  EXPECT_EQ(profileString("S", "missing", "default", file, 4), "def");

  char buffer[8] = "kumquat";
  EXPECT_EQ(GetPrivateProfileStringA("S", "key", "dflt", buffer, 0, file.c_str()), 0u);
  EXPECT_STREQ(buffer, "kumquat");
  EXPECT_EQ(GetPrivateProfileStringA("S", "key", "dflt", nullptr, 64, file.c_str()), 0u);
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, nullptr, 64, nullptr), 0u);
}

TEST_F(ProfileRead, ListsSectionAndKeyNamesAsDoubleNulTerminatedLists) {
  const std::string file = put("settings.ini", "[section1]\n"
                                               "name1=val1\n"
                                               "name2=\"val2\"\n"
                                               "name3\n"
                                               "; name5=commented\n"
                                               "name4=a\n"
                                               "=nameless\n"
                                               "[section2]\n"
                                               "[]\n"
                                               "k=v\n"
                                               "[ section3 ]\n");
  ListResult sections = profileList(nullptr, file);
  EXPECT_EQ(sections.length, 27u);
  EXPECT_EQ(sections.bytes.substr(0, 28), "section1\0section2\0section3\0\0"s);

  ListResult keys = profileList("SECTION1", file);
  EXPECT_EQ(keys.length, 18u);
  EXPECT_EQ(keys.bytes.substr(0, 19), "name1\0name2\0name4\0\0"s);

  // A section without keys, or none at all, gives the default.
  EXPECT_EQ(profileString("section2", nullptr, "dflt", file), "dflt");
  EXPECT_EQ(profileString("nothing", nullptr, "dflt", file), "dflt");
  EXPECT_EQ(profileString(nullptr, nullptr, "dflt", path("missing.ini")), "dflt");

  // Too small: the last name is cut, both NULs are kept, nSize - 2 comes back.
  sections = profileList(nullptr, file, 16);
  EXPECT_EQ(sections.length, 14u);
  EXPECT_EQ(sections.bytes, "section1\0secti\0\0"s);
  keys = profileList("section1", file, 16);
  EXPECT_EQ(keys.length, 14u);
  EXPECT_EQ(keys.bytes, "name1\0name2\0na\0\0"s);
  // Windows wants a byte to spare: an exact fit counts as cut.
  keys = profileList("section1", file, 19);
  EXPECT_EQ(keys.length, 17u);
  EXPECT_EQ(keys.bytes, "name1\0name2\0name4\0\0"s);
  keys = profileList("section1", file, 20);
  EXPECT_EQ(keys.length, 18u);
  keys = profileList("section1", file, 2);
  EXPECT_EQ(keys.length, 0u);
  EXPECT_EQ(keys.bytes, "\0\0"s);
  keys = profileList("section1", file, 1);
  EXPECT_EQ(keys.length, 0u);
  EXPECT_EQ(keys.bytes, "\0"s);

  const std::string empty = put("empty.ini", "");
  sections = profileList(nullptr, empty, 8);
  EXPECT_EQ(sections.length, 0u);
  EXPECT_EQ(sections.bytes.substr(0, 2), "\0\0"s);
}

TEST_F(ProfileInt, ReadsNumbersAsWindowsDoes) {
  const std::string file = put("settings.ini", "[N]\n"
                                               "plain=640\n"
                                               "negative=-8\n"
                                               "plus=+5\n"
                                               "trailing=102abc\n"
                                               "hex=0x1A\n"
                                               "HEXUPPER=0X1f\n"
                                               "letters=abc\n"
                                               "empty=\n"
                                               "quoted=\"42\"\n"
                                               "wrap=4294967297\n"
                                               "negwrap=-4294967297\n"
                                               "spaced =  77  \n");
  const std::string missing = path("missing.ini");
  const struct {
    const char *section;
    const char *key;
    INT fallback;
    const char *file;
    UINT expected;
    DWORD error; // the last error the read leaves
  } cases[] = {
      {"N", "plain", 9, file.c_str(), 640, ERROR_SUCCESS},
      {"N", "negative", 9, file.c_str(), static_cast<UINT>(-8), ERROR_SUCCESS},
      {"N", "plus", 9, file.c_str(), 5, ERROR_SUCCESS},
      {"N", "trailing", 9, file.c_str(), 102, ERROR_SUCCESS},
      {"N", "hex", 9, file.c_str(), 26, ERROR_SUCCESS},
      {"n", "hexupper", 9, file.c_str(), 31, ERROR_SUCCESS},
      // A present value without digits is 0; only a missing or empty one is
      // the default.
      {"N", "letters", 9, file.c_str(), 0, ERROR_SUCCESS},
      {"N", "empty", 9, file.c_str(), 9, ERROR_FILE_NOT_FOUND},
      {"N", "quoted", 9, file.c_str(), 42, ERROR_SUCCESS},
      {"N", "wrap", 9, file.c_str(), 1, ERROR_SUCCESS},
      {"N", "negwrap", 9, file.c_str(), 0xFFFFFFFF, ERROR_SUCCESS},
      {"N", "spaced", 9, file.c_str(), 77, ERROR_SUCCESS},
      {"N", "missing", 9, file.c_str(), 9, ERROR_FILE_NOT_FOUND},
      {"Missing", "plain", -1, file.c_str(), 0xFFFFFFFF, ERROR_FILE_NOT_FOUND},
      {"N", "plain", 3, missing.c_str(), 3, ERROR_FILE_NOT_FOUND},
      {nullptr, "plain", 4, file.c_str(), 4, ERROR_INVALID_PARAMETER},
      {"N", nullptr, 5, file.c_str(), 5, ERROR_INVALID_PARAMETER},
      {"N", "plain", 6, nullptr, 6, ERROR_FILE_NOT_FOUND},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::string(c.section ? c.section : "(null)") + " " + (c.key ? c.key : "(null)"));
    SetLastError(kUntouchedLastError);
    EXPECT_EQ(GetPrivateProfileIntA(c.section, c.key, c.fallback, c.file), c.expected);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(ProfileWrite, CreatesAMissingFileWithCrlfLines) {
  const std::string file = path("velnor.ini");
  EXPECT_TRUE(write("Window", "Maximized", "0", file));
  EXPECT_TRUE(write("Window", "Width", "640", file));
  EXPECT_TRUE(write("Window", "Height", "480", file));
  EXPECT_TRUE(write("Window", "Top", "-8", file));
  EXPECT_TRUE(write("Window", "Left", "10", file));
  EXPECT_EQ(contents(file), "[Window]\r\n"
                            "Maximized=0\r\n"
                            "Width=640\r\n"
                            "Height=480\r\n"
                            "Top=-8\r\n"
                            "Left=10\r\n");
  EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("Window", "Top", 0, file.c_str())), -8);

  const mode_t mask = ::umask(022);
  ::umask(mask);
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0666 & ~mask);
}

TEST_F(ProfileWrite, UpdatesTheFirstMatchInPlaceAndKeepsEveryOtherByte) {
  const std::string original = "; Velnor settings\n"
                               "\n"
                               "[Other]\n"
                               "Width=1\n"
                               "\n"
                               "[window]\n"
                               "  width = 800   \n"
                               "WIDTH=900\n"
                               "Top=\n"
                               "Quoted=\"x\"\n"
                               "\n"
                               "[Window]\n"
                               "Width=5\n";
  const std::string file = put("settings.ini", original);
  EXPECT_TRUE(write("Window", "Width", "1024", file));
  EXPECT_TRUE(write("WINDOW", "top", "7", file));
  EXPECT_TRUE(write("Window", "Quoted", "y", file));
  std::string expected = replaced(original, "  width = 800   \n", "  width = 1024   \n");
  expected = replaced(expected, "Top=\n", "Top=7\n");
  expected = replaced(expected, "Quoted=\"x\"\n", "Quoted=y\n");
  EXPECT_EQ(contents(file), expected);
  EXPECT_EQ(profileString("Window", "Width", "dflt", file), "1024");

  // Writing the value a key already has leaves the file alone.
  const ino_t before = inode(file);
  EXPECT_TRUE(write("Window", "Width", "1024", file));
  EXPECT_EQ(inode(file), before);
}

TEST_F(ProfileWrite, AppendsNewKeysAtTheEndOfTheirSectionInWriteOrder) {
  // A new key goes right after the last key line of its section, so
  // comments and blank lines that lead to the next section stay below it.
  const std::string file = put("settings.ini", "[Window]\n"
                                               "Width=640\n"
                                               "; the list\n"
                                               "\n"
                                               "[List]\n"
                                               "; no keys yet\n"
                                               "[Last]\n"
                                               "a=1");
  EXPECT_TRUE(write("Window", "Height", "480", file));
  EXPECT_TRUE(write("window", "Top", "0", file));
  EXPECT_TRUE(write("List", "k", "v", file));
  EXPECT_TRUE(write("Last", "b", "2", file));
  EXPECT_EQ(contents(file), "[Window]\n"
                            "Width=640\n"
                            "Height=480\n"
                            "Top=0\n"
                            "; the list\n"
                            "\n"
                            "[List]\n"
                            "k=v\n"
                            "; no keys yet\n"
                            "[Last]\n"
                            "a=1\n"
                            "b=2\n");
}

struct LineBreakCase {
  const char *name;
  std::string original;
  const char *section;
  const char *key;
  const char *value;
  std::string expected;
};

// Windows writes a new section right after the file's last line, with no
// blank line before it; CR, LF and CRLF each end one line, and every line
// the file already has keeps its own line end.
TEST_F(ProfileWrite, UpdatesFilesWithAnyLineEndsAsWindowsDoes) {
  const LineBreakCase cases[] = {
      {"new section, CRLF", "[A]\r\nx=1\r\n", " B ", " y ", "2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"new section, LF", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
      {"new section, CR", "[A]\rx=1\r", "B", "y", "2", "[A]\rx=1\r[B]\ry=2\r"},
      {"new section, unterminated", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n"},
      {"new section, blank line kept", "[A]\nx=1\n\n", "B", "y", "2", "[A]\nx=1\n\n[B]\ny=2\n"},
      {"new section, empty file", "", "B", "y", "2", "[B]\r\ny=2\r\n"},
      {"CR: value in place", "[section1]\rname1=val1\rname2=val2\r", "section1", "name1", "new",
       "[section1]\rname1=new\rname2=val2\r"},
      {"CR: new key", "[section1]\rname1=val1\r[s2]\r", "SECTION1", "k", "v",
       "[section1]\rname1=val1\rk=v\r[s2]\r"},
      {"CR: last line unterminated", "[section1]\rname1=val1", "section1", "k", "v",
       "[section1]\rname1=val1\rk=v\r"},
      {"mixed: each line keeps its end", "[A]\r\nx=1\ry=2\nz=3\r\n", "A", "y", "9",
       "[A]\r\nx=1\ry=9\nz=3\r\n"},
      {"mixed: new key takes the end of the line above", "[A]\r\nx=1\r[B]\n", "A", "w", "0",
       "[A]\r\nx=1\rw=0\r[B]\n"},
      {"CR CR LF is two line ends", "[A]\r\r\nx=1\r\n", "A", "x", "2", "[A]\r\r\nx=2\r\n"},
      {"delete a CR line", "[A]\rx=1\ry=2\r", "A", "x", nullptr, "[A]\ry=2\r"},
      {"delete a CR section", "[A]\rx=1\r[B]\ry=2\r", "A", nullptr, nullptr, "[B]\ry=2\r"},
  };
  for (const LineBreakCase &c : cases) {
    const std::string file = put("case.ini", c.original);
    EXPECT_TRUE(write(c.section, c.key, c.value, file)) << c.name;
    EXPECT_EQ(contents(file), c.expected) << c.name;
  }
}

struct LineBreakReadCase {
  const char *name;
  std::string bytes;
};

TEST_F(ProfileRead, TakesCrLfAndCrlfEachAsOneLineEnd) {
  const LineBreakReadCase cases[] = {
      {"CR", "[section1]\rname1=val1\rname2=val2\r[section2]\rname3=val3\r"},
      {"LF", "[section1]\nname1=val1\nname2=val2\n[section2]\nname3=val3\n"},
      {"CRLF", "[section1]\r\nname1=val1\r\nname2=val2\r\n[section2]\r\nname3=val3\r\n"},
      {"mixed", "[section1]\rname1=val1\r\nname2=val2\n[section2]\n\rname3=val3"},
  };
  for (const LineBreakReadCase &c : cases) {
    const std::string file = put("case.ini", c.bytes);
    EXPECT_EQ(profileString("section1", "name1", "dflt", file), "val1") << c.name;
    EXPECT_EQ(profileString("section1", "name2", "dflt", file), "val2") << c.name;
    EXPECT_EQ(profileString("section2", "name3", "dflt", file), "val3") << c.name;
    EXPECT_EQ(profileString("section2", "name1", "dflt", file), "dflt") << c.name;
    EXPECT_EQ(profileList(nullptr, file).bytes.substr(0, 19), "section1\0section2\0\0"s) << c.name;
    EXPECT_EQ(profileList("section1", file).bytes.substr(0, 13), "name1\0name2\0\0"s) << c.name;
  }
}

TEST_F(ProfileWrite, KeepsEachFilesLineEndings) {
  const std::string crlf = put("crlf.ini", "[A]\r\nx=1\r\n");
  const std::string lf = put("lf.ini", "[A]\nx=1\n");
  for (const std::string &file : {crlf, lf}) {
    EXPECT_TRUE(write("A", "x", "2", file));
    EXPECT_TRUE(write("A", "y", "3", file));
    EXPECT_TRUE(write("B", "z", "4", file));
  }
  EXPECT_EQ(contents(crlf), "[A]\r\nx=2\r\ny=3\r\n[B]\r\nz=4\r\n");
  EXPECT_EQ(contents(lf), "[A]\nx=2\ny=3\n[B]\nz=4\n");
}

TEST_F(ProfileWrite, DeletesTheFirstMatchingKeyOrAWholeSection) {
  const std::string file = put("settings.ini", "[A]\r\n"
                                               "x=1\r\n"
                                               "X=2\r\n"
                                               "y=3\r\n"
                                               "\r\n"
                                               "[B]\r\n"
                                               "; about B\r\n"
                                               "z=4\r\n"
                                               "\r\n"
                                               "[C]\r\n"
                                               "w=5\r\n");
  EXPECT_TRUE(write("a", "X", nullptr, file));
  EXPECT_TRUE(write("b", nullptr, "ignored", file));
  EXPECT_EQ(contents(file), "[A]\r\n"
                            "X=2\r\n"
                            "y=3\r\n"
                            "\r\n"
                            "[C]\r\n"
                            "w=5\r\n");
  EXPECT_EQ(profileString("A", "x", "dflt", file), "2");

  const ino_t before = inode(file);
  EXPECT_TRUE(write("A", "missing", nullptr, file));
  EXPECT_TRUE(write("Missing", nullptr, nullptr, file));
  EXPECT_EQ(inode(file), before);

  EXPECT_TRUE(write("C", nullptr, nullptr, file));
  EXPECT_EQ(contents(file), "[A]\r\nX=2\r\ny=3\r\n\r\n");

  // As on Windows, deleting from a missing file creates it, empty.
  const std::string fresh = path("fresh.ini");
  EXPECT_TRUE(write("A", "x", nullptr, fresh));
  EXPECT_TRUE(std::filesystem::is_regular_file(fresh));
  EXPECT_EQ(contents(fresh), "");
}

TEST_F(ProfileWrite, RefusesWhatItCannotWriteAndLeavesTheFileAlone) {
  const std::string original = "[A]\r\nx=1\r\n";
  const std::string file = put("settings.ini", original);

  // Windows cannot open a file without a name for writing.
  EXPECT_EQ(refusal("A", "x", "2", ""), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(refusal("A", "x", "2", nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(refusal(nullptr, "x", "2", file.c_str()), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));

  // Anything that would add lines or read back as something else.
  EXPECT_EQ(refusal("A", "x", "2\r\n[Evil]\r\nk=v", file.c_str()),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(write("A\nB", "x", "2", file));
  EXPECT_FALSE(write("A", "x\ny", "2", file));
  EXPECT_FALSE(write("A", "a=b", "2", file));
  EXPECT_FALSE(write("A", "[x", "2", file));
  EXPECT_FALSE(write("A", " ;x", "2", file));
  EXPECT_EQ(contents(file), original);

  // No fixed limits on what can be written.
  const std::string longValue(1 << 20, 'v');
  SetLastError(kUntouchedLastError);
  EXPECT_TRUE(write("A", "long", longValue.c_str(), file));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a write that went through";
  EXPECT_EQ(profileString("A", "long", "dflt", file, static_cast<DWORD>(longValue.size() + 1)),
            longValue);
}

TEST_F(ProfileWrite, ConcurrentWritersKeepEachOthersKeys) {
  const std::string file = path("settings.ini");
  std::vector<std::thread> writers;
  for (int writer = 0; writer < 4; ++writer)
    writers.emplace_back([&file, writer] {
      for (int key = 0; key < 25; ++key) {
        const std::string name = "k" + std::to_string(writer) + "_" + std::to_string(key);
        WritePrivateProfileStringA("S", name.c_str(), "v", file.c_str());
      }
    });
  for (std::thread &writer : writers)
    writer.join();
  int present = 0;
  for (int writer = 0; writer < 4; ++writer)
    for (int key = 0; key < 25; ++key) {
      const std::string name = "k" + std::to_string(writer) + "_" + std::to_string(key);
      present += profileString("S", name.c_str(), "", file) == "v";
    }
  EXPECT_EQ(present, 100);
}

// Binary bytes, NULs, lines without '=', a header without ']', a header
// holding a NUL, and no final line break.
const std::string garbage = "\x01\x02\xff\xfe[\0junk]\n"
                            "[Window]\n"
                            "Width=640\n"
                            "no equals sign here\n"
                            "Bro\0ken=1\n"
                            "[Broken\n"
                            "Height=480\n"
                            "[Win\0dow]\n"
                            "Left=3\n"
                            "[Window2]\n"
                            "Top=5\x80\x81"s;

TEST_F(ProfileGarbage, ReadingGivesDefaultsForWhatCannotBeParsed) {
  const std::string file = put("settings.ini", garbage);
  EXPECT_EQ(profileString("Window", "Width", "dflt", file), "640");
  // Keys under a broken header belong to no section, not to the one above.
  EXPECT_EQ(profileString("Window", "Height", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "Left", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "Bro", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window", "no equals sign here", "dflt", file), "dflt");
  EXPECT_EQ(profileString("Window2", "Top", "dflt", file), "5\x80\x81");
  EXPECT_EQ(GetPrivateProfileIntA("Window2", "Top", 0, file.c_str()), 5u);
  EXPECT_EQ(profileList(nullptr, file).bytes.substr(0, 16), "Window\0Window2\0\0"s);
  EXPECT_EQ(profileList("Window", file).bytes.substr(0, 7), "Width\0\0"s);

  // One enormous line, then a readable section.
  std::string huge = "[" + std::string(8 << 20, 'x') + "\n[S]\nk=v\n";
  const std::string hugeFile = put("huge.ini", huge);
  EXPECT_EQ(profileString("S", "k", "dflt", hugeFile), "v");
  EXPECT_EQ(profileString("x", "k", "dflt", hugeFile), "dflt");
}

TEST_F(ProfileGarbage, WritingOneKeyChangesOnlyThatLine) {
  const std::string file = put("settings.ini", garbage);
  EXPECT_TRUE(write("Window", "Width", "1024", file));
  EXPECT_TRUE(write("Window", "Left", "9", file));
  std::string expected = replaced(garbage, "Width=640\n", "Width=1024\nLeft=9\n");
  EXPECT_EQ(contents(file), expected);

  EXPECT_TRUE(write("Window2", "Top", "6", file));
  expected = replaced(expected, "Top=5\x80\x81", "Top=6");
  EXPECT_EQ(contents(file), expected);

  // Bytes before the first section, NULs included, survive a new section.
  const std::string preamble = "Data \0 before \0 first \0 section"s;
  const std::string other = put("other.ini", preamble);
  EXPECT_TRUE(write("section1", "key1", "string1", other));
  EXPECT_EQ(contents(other), preamble + "\r\n[section1]\r\nkey1=string1\r\n");
}

TEST_F(ProfileGarbage, RandomBytesNeverBreakReadingOrWriting) {
  uint64_t state = 0x9e3779b97f4a7c15u;
  const auto nextRandom = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  const std::string_view structural("[]=;\n\r\0 \t\"'", 11);
  for (int round = 0; round < 8; ++round) {
    std::string bytes(64 << 10, '\0');
    for (char &byte : bytes) {
      const uint64_t pick = nextRandom();
      byte = pick % 3 == 0 ? structural[(pick >> 8) % structural.size()]
                           : static_cast<char>(pick >> 16);
    }
    const std::string file = put("random.ini", bytes);
    for (const DWORD size : {1u, 2u, 3u, 7u, 4096u}) {
      std::vector<char> buffer(size + 1, '#');
      const DWORD sections =
          GetPrivateProfileStringA(nullptr, nullptr, "d", buffer.data(), size, file.c_str());
      EXPECT_LT(sections, size);
      EXPECT_EQ(buffer[size], '#');
      const DWORD keys =
          GetPrivateProfileStringA("a", nullptr, "d", buffer.data(), size, file.c_str());
      EXPECT_LT(keys, size);
      EXPECT_EQ(buffer[size], '#');
    }
    EXPECT_TRUE(write("Fuzz", "key", "value", file));
    const std::string written = contents(file);
    EXPECT_EQ(written.compare(0, bytes.size(), bytes), 0) << "round " << round;
    EXPECT_EQ(profileString("Fuzz", "key", "dflt", file), "value") << "round " << round;
  }
}

TEST_F(ProfileGarbage, SeveralMegabyteFilesWork) {
  const auto valueOf = [](int section) {
    return std::string(80, static_cast<char>('a' + section % 26));
  };
  std::string big;
  for (int section = 0; section < 40000; ++section) {
    big += "[Section" + std::to_string(section) + "]\r\n";
    big += "Key=" + valueOf(section) + "\r\n\r\n";
  }
  ASSERT_GT(big.size(), 3u << 20);
  const std::string file = put("big.ini", big);
  EXPECT_EQ(profileString("Section39999", "Key", "dflt", file), valueOf(39999));
  EXPECT_TRUE(write("Section20000", "Added", "1", file));
  const std::string line = "Key=" + valueOf(20000) + "\r\n";
  EXPECT_EQ(contents(file), replaced(big, "[Section20000]\r\n" + line,
                                     "[Section20000]\r\n" + line + "Added=1\r\n"));
}

TEST_F(ProfileReplacement, ReplacesTheFileAsAWholeAndLeavesNoTemporaryFile) {
  const std::string original = "[A]\r\nx=1\r\n";
  const std::string file = put("settings.ini", original);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const ino_t before = inode(file);
  // A reader that opened the file before the write keeps the old content
  // whole: nothing is rewritten in place.
  const int reader = ::open(file.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);

  EXPECT_TRUE(write("A", "x", "2", file));

  EXPECT_NE(inode(file), before);
  EXPECT_EQ(contents(file), "[A]\r\nx=2\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(entries(), std::set<std::string>{"settings.ini"});
  char old[64] = {};
  EXPECT_EQ(::pread(reader, old, sizeof old, 0), static_cast<ssize_t>(original.size()));
  EXPECT_EQ(std::string(old), original);
  ::close(reader);
}

TEST_F(ProfileReplacement, AFailedWriteLeavesTheOriginalAndNoTemporaryFile) {
  // A folder that does not exist.
  EXPECT_EQ(refusal("A", "x", "1", path("missing/settings.ini").c_str()), errorPathNotFound);
  // A folder where the file should be.
  ASSERT_EQ(::mkdir(path("folder.ini").c_str(), 0755), 0);
  EXPECT_EQ(refusal("A", "x", "1", path("folder.ini").c_str()),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::is_empty(path("folder.ini")));
  // A file where a folder should be.
  const std::string original = "[A]\r\nx=1\r\n";
  const std::string file = put("settings.ini", original);
  EXPECT_EQ(refusal("A", "x", "1", (file + "/inner.ini").c_str()), errorPathNotFound);

  // The new content cannot be written out (the process may not grow files
  // beyond 64 bytes). Nothing may be reported until the limit is lifted:
  // test output could be one of the files it stops.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  const bool limited = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  const std::string value(1000, 'v');
  SetLastError(kUntouchedLastError);
  const BOOL result = WritePrivateProfileStringA("A", "x", value.c_str(), file.c_str());
  const DWORD error = GetLastError();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedHandler);

  ASSERT_TRUE(limited);
  EXPECT_FALSE(result);
  EXPECT_EQ(error, errorDiskFull);
  EXPECT_EQ(contents(file), original);
  EXPECT_EQ(entries(), (std::set<std::string>{"folder.ini", "settings.ini"}));
}

TEST_F(ProfileReplacement, WritesThroughSymlinksAndKeepsThem) {
  ASSERT_EQ(::mkdir(path("data").c_str(), 0755), 0);
  const std::string target = put("data/real.ini", "[A]\nx=1\n");
  const std::string link = path("settings.ini");
  ASSERT_EQ(::symlink("data/real.ini", link.c_str()), 0);

  EXPECT_TRUE(write("A", "x", "2", link));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(std::filesystem::read_symlink(link), "data/real.ini");
  EXPECT_EQ(contents(target), "[A]\nx=2\n");
  EXPECT_EQ(entries("data"), std::set<std::string>{"real.ini"});

  // A link to a file that does not exist is not followed to create one.
  const std::string dangling = path("dangling.ini");
  ASSERT_EQ(::symlink(path("data/new.ini").c_str(), dangling.c_str()), 0);
  EXPECT_EQ(refusal("A", "x", "3", dangling.c_str()), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_EQ(entries("data"), std::set<std::string>{"real.ini"});

  // Links in a loop lead nowhere.
  ASSERT_EQ(::symlink("loop2.ini", path("loop1.ini").c_str()), 0);
  ASSERT_EQ(::symlink("loop1.ini", path("loop2.ini").c_str()), 0);
  EXPECT_EQ(refusal("A", "x", "1", path("loop1.ini").c_str()), errorCannotResolveName);
  EXPECT_EQ(profileString("A", "x", "dflt", path("loop1.ini")), "dflt");
}

TEST_F(ProfileReplacement, KeepsTheOwnerOfAFileItRewritesAsRoot) {
  if (::geteuid() != 0) {
    const char *ci = std::getenv("CI");
    if (ci != nullptr && std::string_view(ci) == "true")
      FAIL() << "CI=true runs as root, but this test is not";
    GTEST_SKIP() << "needs root to hand a file to another owner";
  }
  const std::string file = put("settings.ini", "[A]\r\nx=1\r\n");
  ASSERT_EQ(::chown(file.c_str(), 4321, 4322), 0);
  EXPECT_TRUE(write("A", "x", "2", file));
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 4321u);
  EXPECT_EQ(status.st_gid, 4322u);
}

} // namespace
