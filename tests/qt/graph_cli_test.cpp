// k7740-cli graph as a user runs it: without a display, from a record file and a settings
// folder, drawing the same picture as the desktop program's view; and its refusals.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>

#include "common/text.h"
#include "graph/qt/tev_view.h"
#include "recording/record_file.h"
#include "settings/settings_store.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;

struct CliResult {
  int exitCode = -1;
  QString err;
};

CliResult RunCli(const QStringList& args, const QString& settingsDir) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // As from cron or ssh: no display and no platform chosen.
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  env.insert("K7740_SETTINGS_DIR", settingsDir);
  env.insert("TZ", "UTC");
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(K7740_BINARY_DIR "/k7740-cli"), QStringList{"graph"} + args);
  EXPECT_TRUE(p.waitForFinished(60000));
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardError())};
}

class GraphCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    // 500 varying readings, saved as a record file.
    auto doc = std::make_unique<CTevDoc>();
    RecordingView rec;
    rec.readingCount = 500;
    rec.startTime = MakeLocalTime(2026, 3, 1, 8, 0, 0);
    rec.sampleIntervalSeconds = 300;
    rec.tempAlarmHighText = "30 C";
    for (int i = 0; i < 500; ++i) {
      doc->temperature[static_cast<size_t>(i)] = 15.0f + static_cast<float>(i % 97) / 10.0f;
      doc->humidity[static_cast<size_t>(i)] = 40.0f + static_cast<float>(i % 61) / 5.0f;
    }
    ComputeSummary(*doc, rec);
    record_ = dir_.filePath("run.record").toStdString();
    test::WriteBytes(record_, WriteRecordBytes(*doc, rec));
    // Settings: white background, dark-blue grid, temperature 10 .. 30, marks on.
    main_.backgroundColorIndex = 12;
    main_.gridColorIndex = 8;
    view_.yTempLow = 10;
    view_.yTempHigh = 30;
    view_.showMarkPoints = 1;
    SettingsStore store(dir_.path().toStdString());
    ASSERT_TRUE(WriteAllSettings(store, main_, view_, 0));
  }

  QTemporaryDir dir_;
  std::string record_;
  MainSettings main_;
  ViewSettings view_;
};

TEST_F(GraphCliTest, DrawsTheViewsPictureWithoutADisplay) {
  const QString out = dir_.filePath("run.png");
  const CliResult r = RunCli({QString::fromStdString(record_), "-o", out, "--size", "900x600"}, dir_.path());
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QImage png = QImage(out).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(png.size(), QSize(900, 600));

  // The desktop program's view after opening the same file with the same settings.
  auto doc = std::make_unique<CTevDoc>();
  MainSettings colours = main_;
  CTevView view(nullptr, *doc, dir_.path().toStdString(), colours);
  view.resize(900, 600);
  view.show();
  const std::vector<uint8_t> bytes = test::ReadBytes(record_);
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *doc, view.recording()), RecordReadStatus::Ok);
  view.recording().displayMode = 1;
  view.Redraw();
  view.grab();
  const QImage& screen = view.composedImage();
  ASSERT_EQ(screen.size(), png.size());
  int differing = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 900; ++x) differing += screen.pixel(x, y) != png.pixel(x, y);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(png.pixel(85, 180), qRgb(255, 255, 255));  // the settings' white background
}

TEST_F(GraphCliTest, RefusesBadInputWithExitTwo) {
  test::WriteBytes(dir_.filePath("notes.record").toStdString(), {'h', 'e', 'l', 'l', 'o', '\n'});
  const QString rec = QString::fromStdString(record_);
  const QString png = dir_.filePath("x.png");
  struct Case {
    const char* name;
    QStringList args;
    const char* says;
  };
  const Case cases[] = {
      {"missing file", {dir_.filePath("none.record"), "-o", png}, "none.record"},
      {"a text file", {dir_.filePath("notes.record"), "-o", png}, "notes.record"},
      {"a folder", {dir_.path(), "-o", png}, ""},
      {"no output", {rec}, "Usage"},
      {"zero width", {rec, "-o", png, "--size", "0x10"}, "Bad size"},
      {"no height", {rec, "-o", png, "--size", "10"}, "Bad size"},
      {"too large", {rec, "-o", png, "--size", "99999x10"}, "Bad size"},
      {"unknown option", {rec, "-o", png, "--zoom"}, "Unknown option"},
      {"unwritable output", {rec, "-o", dir_.filePath("missing/x.png")}, "missing"},
  };
  for (const Case& c : cases) {
    const CliResult r = RunCli(c.args, dir_.path());
    EXPECT_EQ(r.exitCode, 2) << c.name;
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.says))) << c.name << ": " << r.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(png));
}

}  // namespace
}  // namespace k7740
