// The settings file unit on its own: where the file is, how values read and
// write, and where restored bounds may put a window.
#include "FormTestSupport.h"
#include "WindowPlacement.h"
#include "WindowSettings.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

using formtest::readFile;
using formtest::TempFolder;
using formtest::writeFile;

TEST(SettingsPath, ExtensionOfTheFileNameIsReplacedOrAdded) {
  EXPECT_EQ(settingsPathFor("/opt/velnor/velnor"), "/opt/velnor/velnor.ini");
  EXPECT_EQ(settingsPathFor("/opt/velnor/velnor.exe"), "/opt/velnor/velnor.ini");
  EXPECT_EQ(settingsPathFor("/opt/velnor/velnor.tar.gz"), "/opt/velnor/velnor.tar.ini");
  EXPECT_EQ(settingsPathFor("/opt/velnor/velnor."), "/opt/velnor/velnor.ini");
  EXPECT_EQ(settingsPathFor("velnor"), "velnor.ini");
}

TEST(SettingsPath, DotsInFoldersAndHiddenFilesAreNoExtension) {
  EXPECT_EQ(settingsPathFor("/opt/velnor-1.2/velnor"), "/opt/velnor-1.2/velnor.ini");
  EXPECT_EQ(settingsPathFor("/home/a/.local/bin/velnor"), "/home/a/.local/bin/velnor.ini");
  EXPECT_EQ(settingsPathFor("/opt/.velnor"), "/opt/.velnor.ini");
}

TEST(SettingsPath, DefaultIsBesideTheRunningExecutable) {
  char executable[PATH_MAX] = {};
  ASSERT_GT(::readlink("/proc/self/exe", executable, sizeof executable - 1), 0);
  EXPECT_EQ(defaultWindowSettingsPath(), std::string(executable) + ".ini")
      << "the test binary has no extension, so .ini is appended";
}

TEST(ProfileInteger, DecimalAndTheThreeHexadecimalPrefixes) {
  const std::vector<std::pair<const char *, int>> cases = {{"640", 640},
                                                           {"-12", -12},
                                                           {"+7", 7},
                                                           {"0", 0},
                                                           {"  42", 42},
                                                           {"$1F", 31},
                                                           {"$1f", 31},
                                                           {"0x1f", 31},
                                                           {"0X1F", 31},
                                                           {"-$10", -16},
                                                           {"$FFFFFFFF", -1},
                                                           {"2147483647", INT_MAX},
                                                           {"-2147483648", INT_MIN},
                                                           {"0x80000000", INT_MIN},
                                                           {"007", 7}};
  for (const auto &[text, value] : cases)
    EXPECT_EQ(parseProfileInteger(text), std::optional<int>(value)) << text;
}

TEST(ProfileInteger, AnythingElseIsNoInteger) {
  for (const char *text : {"",
                           " ",
                           "-",
                           "+",
                           "$",
                           "0x",
                           "x1F",
                           "12px",
                           "1.5",
                           "1 2",
                           "42 ",
                           "abc",
                           "--1",
                           "0x-1",
                           "$-1",
                           "2147483648",
                           "-2147483649",
                           "$100000000",
                           "99999999999999999999",
                           "1e3"})
    EXPECT_EQ(parseProfileInteger(text), std::nullopt) << '"' << text << '"';
}

class SettingsFileTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(folder.ok()); }

  TempFolder folder;
  std::string path = folder.file("velnor.ini");
};

TEST_F(SettingsFileTest, ReadsIntegersOfSectionWindow) {
  writeFile(path, "[Other]\nWidth=1\n[Window]\nWidth=$258\nHeight=400\nTop=junk\n");
  const WindowSettings settings(path);
  EXPECT_EQ(settings.readInteger("Width"), 600);
  EXPECT_EQ(settings.readInteger("Height"), 400);
  EXPECT_EQ(settings.readInteger("Top"), std::nullopt) << "not an integer";
  EXPECT_EQ(settings.readInteger("Left"), std::nullopt) << "missing key";
  EXPECT_EQ(WindowSettings(folder.file("absent.ini")).readInteger("Width"), std::nullopt);
}

TEST_F(SettingsFileTest, OverlongValueIsNoInteger) {
  writeFile(path, "[Window]\nWidth=" + std::string(300, '0') + "1\n");
  EXPECT_EQ(WindowSettings(path).readInteger("Width"), std::nullopt);
}

TEST_F(SettingsFileTest, BooleanIsAnyNonZeroInteger) {
  writeFile(path, "[Window]\nA=0\nB=1\nC=-1\nD=$10\nE=yes\n");
  const WindowSettings settings(path);
  EXPECT_FALSE(settings.readBoolean("A", true));
  EXPECT_TRUE(settings.readBoolean("B", false));
  EXPECT_TRUE(settings.readBoolean("C", false));
  EXPECT_TRUE(settings.readBoolean("D", false));
  EXPECT_FALSE(settings.readBoolean("E", false)) << "not an integer: the default";
  EXPECT_TRUE(settings.readBoolean("E", true)) << "not an integer: the default";
  EXPECT_TRUE(settings.readBoolean("Missing", true));
}

TEST_F(SettingsFileTest, WritesDecimalKeysInOrderAndKeepsOtherContent) {
  const std::string before = "; written by hand\r\n[Other]\r\nName=kept\r\n";
  writeFile(path, before);
  const WindowSettings settings(path);
  settings.writeBoolean("Maximized", false);
  settings.writeInteger("Width", 600);
  settings.writeInteger("Height", -4);
  settings.writeInteger("Top", 50);
  settings.writeInteger("Left", 60);
  const std::string after = readFile(path);
  EXPECT_EQ(after.substr(0, before.size()), before);
  const size_t section = after.find("[Window]");
  ASSERT_NE(section, std::string::npos);
  size_t at = section;
  for (const char *line : {"Maximized=0", "Width=600", "Height=-4", "Top=50", "Left=60"}) {
    const size_t found = after.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " in order, in:\n" << after;
    at = found;
  }
}

TEST_F(SettingsFileTest, UnreadableFileGivesDefaultsAndKeepsItsBytes) {
  // A header with a NUL byte, keys below it, a header without its ']'.
  const std::string garbage =
      std::string("\xff\xfe[Win") + '\0' + "dow]\nWidth=600\n[[[\nHeight=400\n=\n";
  writeFile(path, garbage);
  const WindowSettings settings(path);
  EXPECT_EQ(settings.readInteger("Width"), std::nullopt);
  EXPECT_EQ(settings.readInteger("Height"), std::nullopt);
  settings.writeInteger("Width", 700);
  const std::string after = readFile(path);
  EXPECT_EQ(after.substr(0, garbage.size()), garbage);
  EXPECT_EQ(settings.readInteger("Width"), 700);
}

TEST_F(SettingsFileTest, WriteFailureIsIgnored) {
  const WindowSettings settings(folder.file("no/such/folder/velnor.ini"));
  settings.writeInteger("Width", 600);
  EXPECT_EQ(settings.readInteger("Width"), std::nullopt);
}

TEST(WindowPlacement, WindowTouchingAScreenStaysWhereItIs) {
  const QList<QRect> screens = {QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
  const QRect primary(0, 0, 1024, 740);
  EXPECT_EQ(positionOnScreens(QRect(184, 118, 565, 347), screens, primary), QPoint(184, 118));
  EXPECT_EQ(positionOnScreens(QRect(-500, -300, 565, 347), screens, primary), QPoint(-500, -300))
      << "partly visible";
  EXPECT_EQ(positionOnScreens(QRect(1500, 600, 565, 347), screens, primary), QPoint(1500, 600))
      << "on the second screen, below the first one's bottom";
}

TEST(WindowPlacement, WindowOffEveryScreenComesOntoThePrimaryOne) {
  const QList<QRect> screens = {QRect(0, 0, 1024, 768)};
  const QRect primary(0, 28, 1024, 740); // a panel along the top
  EXPECT_EQ(positionOnScreens(QRect(-3000, -3000, 565, 347), screens, primary), QPoint(0, 28));
  EXPECT_EQ(positionOnScreens(QRect(2000, 300, 565, 347), screens, primary), QPoint(459, 300))
      << "moved as little as possible";
  EXPECT_EQ(positionOnScreens(QRect(1024, 768, 565, 347), screens, primary), QPoint(459, 421))
      << "touching the corner from outside is not on the screen";
  EXPECT_EQ(positionOnScreens(QRect(5000, 5000, 3000, 2000), screens, primary), QPoint(0, 28))
      << "larger than the screen: its top-left corner shows";
}

TEST(WindowPlacement, WithoutScreensNothingMoves) {
  EXPECT_EQ(positionOnScreens(QRect(-3000, 0, 100, 100), {}, QRect()), QPoint(-3000, 0));
}
