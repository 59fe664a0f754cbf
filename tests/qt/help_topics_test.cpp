// Help topics: help.chm only where something can show it, else the HTML manual beside the
// program or in the installed folder, and a message naming the places when there is none; the
// manual's pictures are exactly the ones the picture program makes.
#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSet>
#include <memory>

#include "link/virtual_clock.h"
#include "shell/qt/main_frame.h"
#include "shell/qt/manual_path.h"
#include "sim/sim_serial_port.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;
using test::FakePrompts;

class HelpTopicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(root_.isValid());
    ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("bin")));
  }

  // The program's folder of an installation under root: root/bin.
  QString Bin() const { return root_.path() + QStringLiteral("/bin"); }
  QString Chm() const { return Bin() + QStringLiteral("/help.chm"); }
  QString BesideManual() const { return Bin() + QStringLiteral("/manual/index.html"); }
  QString InstalledManual() const {
    return root_.path() + QStringLiteral("/share/doc/k7740/manual/index.html");
  }

  static void Touch(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html></html>");
  }

  // True when the machine has the manual installed at the absolute place: then "nothing found"
  // cannot be shown here.
  static bool SystemManualInstalled(const QString& programDir) {
    const QStringList all = ManualCandidates(programDir);
    return QFileInfo::exists(all.last());
  }

  CMainFrame& MakeFrame(std::function<bool(const QUrl&)> open, bool viewer) {
    MainFrameOptions o;
    o.port = &port_;
    o.timers = &timers_;
    o.prompts = &prompts_;
    o.settingsDir = root_.path().toStdString();
    o.runModal = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
    o.openUrl = [this, open](const QUrl& url) {
      tried_.push_back(url.toLocalFile());
      return open(url);
    };
    o.programDir = Bin();
    o.hasViewer = [viewer](const QString&) { return viewer; };
    frame_ = std::make_unique<CMainFrame>(o);
    return *frame_;
  }

  QTemporaryDir root_;
  VirtualClock clock_;
  SimSerialPort port_{clock_};
  VirtualTimerHost timers_{clock_};
  FakePrompts prompts_;
  QStringList tried_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(HelpTopicsTest, ManualIsLookedForBesideTheProgramThenInTheInstalledFolder) {
  const QStringList places = ManualCandidates(Bin());
  ASSERT_GE(places.size(), 2);
  EXPECT_EQ(places[0], BesideManual());
  EXPECT_EQ(places[1], InstalledManual());
  EXPECT_EQ(QSet<QString>(places.begin(), places.end()).size(), places.size());
  for (const QString& p : places) EXPECT_TRUE(QDir::isAbsolutePath(p)) << p.toStdString();
}

TEST_F(HelpTopicsTest, ChoosesTheChmOnlyWithAViewerAndTheNearestManual) {
  struct Case {
    const char* name;
    bool chm, viewer, beside, installed;
    std::vector<int> expected;  // 0 chm, 1 beside, 2 installed
  };
  const Case cases[] = {
      {"chm with a viewer, then the manual", true, true, true, false, {0, 1}},
      {"chm without a viewer", true, false, true, false, {1}},
      {"viewer but no chm", false, true, false, true, {2}},
      {"both manuals: the one beside the program", false, false, true, true, {1}},
      {"chm with a viewer and no manual", true, true, false, false, {0}},
  };
  for (const Case& c : cases) {
    QDir(root_.path()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(Bin()));
    if (c.chm) Touch(Chm());
    if (c.beside) Touch(BesideManual());
    if (c.installed) Touch(InstalledManual());
    const QStringList all = {Chm(), BesideManual(), InstalledManual()};
    QStringList expected;
    for (int i : c.expected) expected << all[i];
    QStringList asked;
    const QStringList got = HelpTopicsFiles(Bin(), [&](const QString& p) {
      asked << p;
      return c.viewer;
    });
    if (!SystemManualInstalled(Bin()) || c.beside || c.installed) {
      EXPECT_EQ(got, expected) << c.name;
    }
    // The viewer is asked about an existing help.chm only.
    EXPECT_EQ(asked, c.chm ? QStringList{Chm()} : QStringList{}) << c.name;
  }
}

TEST_F(HelpTopicsTest, OpensTheManualWhenTheChmDoesNotOpen) {
  Touch(Chm());
  Touch(BesideManual());
  CMainFrame& f = MakeFrame([this](const QUrl& url) { return url.toLocalFile() != Chm(); }, true);
  f.action(kCmdHelpTopics)->trigger();
  EXPECT_EQ(tried_, (QStringList{Chm(), BesideManual()}));
  EXPECT_TRUE(prompts_.calls.empty());
}

TEST_F(HelpTopicsTest, SaysWhereItLookedWhenThereIsNoManual) {
  if (SystemManualInstalled(Bin())) GTEST_SKIP() << "a manual is installed on this machine";
  Touch(Chm());  // there, but nothing can show it
  CMainFrame& f = MakeFrame([](const QUrl&) { return true; }, false);
  f.action(kCmdHelpTopics)->trigger();
  EXPECT_TRUE(tried_.isEmpty());
  ASSERT_EQ(prompts_.calls.size(), 1u);
  EXPECT_EQ(prompts_.calls[0].kind, FakePrompts::Kind::Message);
  EXPECT_EQ(prompts_.calls[0].icon, BoxIcon::Exclamation);
  const QString text = QString::fromStdString(prompts_.calls[0].text);
  EXPECT_TRUE(text.startsWith(QStringLiteral("The user manual was not found."))) << text.toStdString();
  for (const QString& place : ManualCandidates(Bin()))
    EXPECT_TRUE(text.contains(place)) << place.toStdString();
}

TEST_F(HelpTopicsTest, SaysSoWhenNoBrowserOpensTheManual) {
  Touch(BesideManual());
  CMainFrame& f = MakeFrame([](const QUrl&) { return false; }, true);
  f.action(kCmdHelpTopics)->trigger();
  EXPECT_EQ(tried_, QStringList{BesideManual()});
  ASSERT_EQ(prompts_.calls.size(), 1u);
  EXPECT_TRUE(QString::fromStdString(prompts_.calls[0].text).contains(BesideManual()));
}

// The build makes the manual with its pictures beside the programs; every picture the manual
// shows must be made, and every picture made must be shown.
TEST(ManualPictures, TheManualShowsExactlyThePicturesTheProgramMakes) {
  const QString manual = QStringLiteral(K7740_BINARY_DIR "/manual");
  QFile index(manual + QStringLiteral("/index.html"));
  ASSERT_TRUE(index.open(QIODevice::ReadOnly)) << "build the manual target first";
  const QString html = QString::fromUtf8(index.readAll());
  QSet<QString> shown;
  const QRegularExpression img(QString::fromLatin1("<img\\s+src=\"pictures/([^\"]+)\""));
  for (auto it = img.globalMatch(html); it.hasNext();) shown.insert(it.next().captured(1));
  const QStringList files =
      QDir(manual + QStringLiteral("/pictures")).entryList({QStringLiteral("*.png")}, QDir::Files);
  const QSet<QString> made(files.begin(), files.end());
  EXPECT_FALSE(made.isEmpty());
  EXPECT_EQ(shown, made);
  for (const QString& name : made) {
    const QImage picture(manual + QStringLiteral("/pictures/") + name);
    EXPECT_GE(picture.width(), 100) << name.toStdString();
    EXPECT_GE(picture.height(), 50) << name.toStdString();
  }
}

}  // namespace
}  // namespace k7740
