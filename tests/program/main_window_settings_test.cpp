// The main window's bounds across runs: what it restores from the settings
// file when created and what it saves when destroyed.
#include "FormTestSupport.h"
#include "Unit1.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <memory>
#include <string>

using formtest::readFile;
using formtest::TempFolder;
using formtest::windowValue;
using formtest::writeFile;

namespace {

// The client size the window's design file gives it. The file's first
// rectangle is the geometry of its top-level widget, the window.
QSize designedClientSize() {
  QFile design(QStringLiteral(VELNOR_MAIN_WINDOW_DESIGN));
  if (!design.open(QIODevice::ReadOnly))
    return {};
  QXmlStreamReader xml(&design);
  bool inRect = false;
  int width = -1;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement)
      continue;
    if (xml.name() == u"rect")
      inRect = true;
    else if (inRect && xml.name() == u"width")
      width = xml.readElementText().toInt();
    else if (inRect && xml.name() == u"height")
      return QSize(width, xml.readElementText().toInt());
  }
  return {};
}

const QSize kDesignClient = designedClientSize();

class FormSettingsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    ASSERT_TRUE(kDesignClient.isValid()) << "read from " << VELNOR_MAIN_WINDOW_DESIGN;
  }

  std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(path); }
  static void show(TForm1 &form) {
    form.show();
    QCoreApplication::processEvents();
  }
  void writeWindow(const std::string &keys) { writeFile(path, "[Window]\n" + keys); }
  std::string value(const char *key) const { return windowValue(path, key); }
  std::string savedBounds() const {
    return value("Left") + "," + value("Top") + " " + value("Width") + "x" + value("Height");
  }
  static bool hasFixedSize(const TForm1 &form) {
    return form.minimumSize() == form.size() && form.maximumSize() == form.size();
  }

  formtest::ScriptedIdentity identity;
  TempFolder folder;
  std::string path = folder.file("velnor.ini");
};

} // namespace

TEST_F(FormSettingsTest, FirstRunOpensAtTheDesignBoundsAndSavesOuterBounds) {
  auto form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(184, 118));
  EXPECT_EQ(form->size(), kDesignClient);
  EXPECT_FALSE(form->isMaximized());
  const QRect outer = form->frameGeometry();
  ASSERT_GT(outer.width(), kDesignClient.width()) << "the offscreen platform reports a frame";

  form.reset();
  EXPECT_EQ(value("Maximized"), "0");
  EXPECT_EQ(value("Width"), std::to_string(outer.width()));
  EXPECT_EQ(value("Height"), std::to_string(outer.height()));
  EXPECT_EQ(value("Top"), "118");
  EXPECT_EQ(value("Left"), "184");
}

TEST_F(FormSettingsTest, KeysAreSavedInOrderBesideOtherContent) {
  const std::string before = "; settings of velnor\n[Other]\nName=kept\n";
  writeFile(path, before);
  auto form = start();
  show(*form);
  form.reset();
  const std::string after = readFile(path);
  EXPECT_EQ(after.substr(0, before.size()), before);
  size_t at = after.find("[Window]");
  ASSERT_NE(at, std::string::npos);
  for (const char *key : {"\nMaximized=", "\nWidth=", "\nHeight=", "\nTop=", "\nLeft="}) {
    const size_t found = after.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " in order, in:\n" << after;
    at = found;
  }
}

TEST_F(FormSettingsTest, SaveRestoreSaveWritesTheSameNumbers) {
  auto first = start();
  show(*first);
  first.reset();
  const std::string saved = readFile(path);
  const QRect bounds(std::stoi(value("Left")), std::stoi(value("Top")), std::stoi(value("Width")),
                     std::stoi(value("Height")));

  auto second = start();
  EXPECT_EQ(second->frameGeometry().size(), second->size())
      << "before it is shown the window's frame is not known";
  show(*second);
  EXPECT_EQ(second->frameGeometry(), bounds);
  EXPECT_EQ(second->size(), kDesignClient);
  second.reset();
  EXPECT_EQ(readFile(path), saved);

  start().reset(); // a run whose window never showed
  EXPECT_EQ(readFile(path), saved);
}

TEST_F(FormSettingsTest, RestoresOuterBoundsFromTheFile) {
  writeWindow("Maximized=0\nWidth=600\nHeight=400\nTop=50\nLeft=60\n");
  auto form = start();
  EXPECT_EQ(form->pos(), QPoint(60, 50));
  show(*form);
  EXPECT_EQ(form->frameGeometry(), QRect(60, 50, 600, 400));
  EXPECT_LT(form->width(), 600) << "the outer width includes the frame";
  EXPECT_TRUE(hasFixedSize(*form)) << "the user cannot resize the window";
  EXPECT_FALSE(form->isMaximized());
  form.reset();
  EXPECT_EQ(savedBounds(), "60,50 600x400");
}

TEST_F(FormSettingsTest, MaximizedRunSavesOnlyThatAndNextStartMaximizesOverTheBounds) {
  const std::string normal = "Maximized=0\nWidth=600\nHeight=400\nTop=50\nLeft=60\n";
  writeWindow(normal);
  auto run = start();
  show(*run);
  run->setWindowState(run->windowState() | Qt::WindowMaximized);
  QCoreApplication::processEvents();
  ASSERT_TRUE(run->isMaximized());
  run.reset();
  EXPECT_EQ(readFile(path), "[Window]\nMaximized=1\nWidth=600\nHeight=400\nTop=50\nLeft=60\n");

  auto next = start();
  EXPECT_TRUE(next->windowState() & Qt::WindowMaximized);
  show(*next);
  EXPECT_TRUE(next->isMaximized());
  EXPECT_EQ(next->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX))
      << "a fixed size would keep the window from filling the screen";
  next->showNormal();
  QCoreApplication::processEvents();
  EXPECT_FALSE(next->isMaximized());
  EXPECT_EQ(next->frameGeometry(), QRect(60, 50, 600, 400)) << "the restored normal bounds";
  EXPECT_TRUE(hasFixedSize(*next));
}

TEST_F(FormSettingsTest, HexadecimalValuesAndGarbage) {
  writeWindow("Width=$258\nHeight=0x190\nTop=0X32\nLeft=sixty\nMaximized=yes\n");
  auto form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry(), QRect(184, 50, 600, 400)) << "Left keeps the design value";
  EXPECT_FALSE(form->isMaximized());
  form.reset();

  writeWindow("Maximized=-1\n");
  EXPECT_TRUE(start()->windowState() & Qt::WindowMaximized) << "any non-zero integer is true";
  writeWindow("Maximized=$0\n");
  EXPECT_FALSE(start()->windowState() & Qt::WindowMaximized);
}

TEST_F(FormSettingsTest, BoundsOffEveryScreenComeBackKeepingTheSize) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  writeWindow("Width=600\nHeight=400\nTop=-5000\nLeft=-5000\n");
  auto form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry(), QRect(area.topLeft(), QSize(600, 400)));
  form.reset();

  writeWindow("Width=600\nHeight=400\nTop=100\nLeft=" + std::to_string(area.right() + 100) + "\n");
  form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry(), QRect(area.right() + 1 - 600, 100, 600, 400));
  form.reset();

  // Partly visible: hanging over the right and bottom edges. (Off the left or
  // top edge the offscreen platform itself moves a resized window inwards.)
  const QPoint overTheEdge = area.bottomRight() - QPoint(100, 50);
  writeWindow("Width=600\nHeight=400\nTop=" + std::to_string(overTheEdge.y()) +
              "\nLeft=" + std::to_string(overTheEdge.x()) + "\n");
  form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry().topLeft(), overTheEdge) << "partly visible stays";
}

TEST_F(FormSettingsTest, ExtremeValuesGiveAUsableWindow) {
  writeWindow("Width=2147483647\nHeight=-5\nTop=$7FFFFFFF\nLeft=-2147483648\n");
  auto form = start();
  show(*form);
  const QRect outer = form->frameGeometry();
  EXPECT_TRUE(outer.intersects(QGuiApplication::primaryScreen()->geometry())) << outer.x();
  EXPECT_GE(form->height(), 1);
  EXPECT_LE(form->width(), QWIDGETSIZE_MAX);
}

TEST_F(FormSettingsTest, UnreadableFileGivesTheDesignBoundsAndKeepsItsBytes) {
  const std::string garbage = std::string("\x01\x02[Win") + '\0' + "dow]\nWidth=900\n[[[\n";
  writeFile(path, garbage);
  auto form = start();
  show(*form);
  EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(184, 118));
  EXPECT_EQ(form->size(), kDesignClient);
  form.reset();
  EXPECT_EQ(readFile(path).substr(0, garbage.size()), garbage);
  EXPECT_EQ(value("Left"), "184");
}
