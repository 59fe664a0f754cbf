// The printed report: graph and list pages rendered into images at a small page size and probed
// at computed places, the screen's zoom on paper and the screen unchanged after a printout, and
// the main window's print commands (menu, enabling, print to a PDF file, preview, close).
#include <gtest/gtest.h>

#include <QAction>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <memory>

#include "common/text.h"
#include "graph/qt/graph_painter.h"
#include "graph/qt/page_painter.h"
#include "graph/qt/tev_view.h"
#include "link/virtual_clock.h"
#include "recording/record_file.h"
#include "settings/settings_store.h"
#include "shell/qt/main_frame.h"
#include "shell/qt/print_commands.h"
#include "sim/sim_serial_port.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;

const QRgb kWhite = qRgb(255, 255, 255);

// A recording of n readings from 05/10/07 14:00:00, one a minute.
void Fill(CTevDoc& doc, RecordingView& rec, int n, bool ramp) {
  for (int i = 0; i < n; ++i) {
    doc.temperature[static_cast<size_t>(i)] = ramp ? static_cast<float>(i % 100) : 20.0f;
    doc.humidity[static_cast<size_t>(i)] = 50.0f;
  }
  rec.readingCount = n;
  rec.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  rec.sampleIntervalSeconds = 60;
  SetHeaderTexts(rec);
  ComputeSummary(doc, rec);
}

bool HasBlackIn(const QImage& img, QRect band) {
  band = band.intersected(img.rect());
  for (int y = band.top(); y <= band.bottom(); ++y) {
    for (int x = band.left(); x <= band.right(); ++x) {
      if (qGray(img.pixel(x, y)) < 100) return true;
    }
  }
  return false;
}

// Pages are rendered into images: 700 x 1750 gives a plot of 180 x 305 pixels on a graph page.
class PageTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }

  ReportSource Source(int mode) {
    rec.displayMode = static_cast<uint8_t>(mode);
    ReportSource s;
    s.graph = &graph;
    s.doc = doc.get();
    s.rec = &rec;
    s.viewSettings = &vs;
    s.colours = &colours;
    s.list = DataListSourceFor(*doc, rec);
    s.now = MakeLocalTime(2026, 12, 9, 10, 0, 0);
    return s;
  }
  QImage Render(int mode, int page, int w = 700, int h = 1750) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    ReportSource s = Source(mode);
    QPainter p(&img);
    PaintReportPage(p, w, h, page, s);
    return img;
  }

  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  ViewSettings vs;
  MainSettings colours;
  GraphState graph;
};

TEST_F(PageTest, GraphPageGeometryCurveRowsAndWhiteMargins) {
  Fill(*doc, rec, 100, false);
  vs.showMarkPoints = 1;
  const QImage img = Render(1, 1);
  // L 260, T 975, R 440, B 1280; the Y ranges -40..158 'C and 0..100 %RH.
  const QRgb background = ColorFromIndex(colours.backgroundColorIndex).rgb();
  const QRgb temp = ColorFromIndex(colours.tempColorIndex).rgb();
  const QRgb rh = ColorFromIndex(colours.rhColorIndex).rgb();
  EXPECT_EQ(img.pixel(263, 978), background);
  EXPECT_EQ(img.pixel(437, 1277), background);
  for (QPoint white : {QPoint(100, 1100), QPoint(258, 1100), QPoint(650, 1100), QPoint(350, 900),
                       QPoint(350, 1700), QPoint(20, 1745)}) {
    EXPECT_EQ(img.pixel(white), kWhite) << white.x() << "," << white.y();
  }
  // 20 'C: y = trunc(1280 - 60 x 305 / 198) = 1187; 50 %RH: trunc(1280 - 152.5) = 1127. The
  // pens are 10 pixels wide.
  const auto rowsOf = [&](QRgb colour, int x) {
    std::vector<int> rows;
    for (int y = 975; y < 1280; ++y) {
      if (img.pixel(x, y) == colour) rows.push_back(y);
    }
    return rows;
  };
  for (int x : {300, 350, 400}) {
    const std::vector<int> t = rowsOf(temp, x);
    ASSERT_FALSE(t.empty()) << x;
    EXPECT_LE(t.front(), 1187);
    EXPECT_GE(t.back(), 1187);
    EXPECT_NEAR(static_cast<int>(t.size()), 10, 1) << "temperature pen width at x " << x;
    const std::vector<int> r = rowsOf(rh, x);
    ASSERT_FALSE(r.empty()) << x;
    EXPECT_LE(r.front(), 1127);
    EXPECT_GE(r.back(), 1127);
    EXPECT_NEAR(static_cast<int>(r.size()), 10, 1) << "humidity pen width at x " << x;
  }
  // The header lines at u = 25, 75, 125 and 175 from x = 250; nothing between them and the plot.
  for (int n = 0; n < 4; ++n) EXPECT_TRUE(HasBlackIn(img, QRect(250, 25 + 50 * n, 450, 25))) << n;
  EXPECT_FALSE(HasBlackIn(img, QRect(0, 205, 700, 700)));
  EXPECT_FALSE(HasBlackIn(img, QRect(0, 0, 249, 200)));
}

TEST_F(PageTest, ListPagesHoldTheirRowsHeadersRuleAndFooter) {
  Fill(*doc, rec, 200, true);
  // 650 x 1300: h = 20, cw = 13; columns from x = 26.
  const QImage first = Render(2, 1, 650, 1300);
  const QImage second = Render(2, 2, 650, 1300);
  const QImage last = Render(2, 4, 650, 1300);
  // The rule across the page at trunc(5.5 h) on page 1 only.
  EXPECT_EQ(qGray(first.pixel(645, 110)), 0);
  EXPECT_EQ(qGray(first.pixel(2, 110)), 0);
  EXPECT_EQ(second.pixel(645, 110), kWhite);
  // Page 1: header lines from (100, h), column headers at 6h, rows from 7h.
  EXPECT_TRUE(HasBlackIn(first, QRect(100, 20, 400, 20)));
  EXPECT_TRUE(HasBlackIn(first, QRect(26, 120, 30, 20)));
  EXPECT_FALSE(HasBlackIn(first, QRect(0, 0, 99, 100)));
  EXPECT_FALSE(HasBlackIn(first, QRect(0, 111, 25, 1100))) << "the first column starts at 2 cw";
  // Page 2: the column headers at y = h, no header lines; 55 rows end at 57 h.
  EXPECT_TRUE(HasBlackIn(second, QRect(26, 20, 30, 20)));
  EXPECT_TRUE(HasBlackIn(second, QRect(26, 1120, 30, 20)));
  EXPECT_FALSE(HasBlackIn(second, QRect(0, 0, 650, 20)));
  EXPECT_FALSE(HasBlackIn(second, QRect(0, 1141, 650, 135)));
  // Page 4 holds the last 40 rows, down to 42 h.
  EXPECT_TRUE(HasBlackIn(last, QRect(26, 820, 30, 20)));
  EXPECT_FALSE(HasBlackIn(last, QRect(0, 841, 650, 435)));
  // The footer at (650 / 2 - 5 cw, page height - h) on every page.
  for (const QImage* page : {&first, &second, &last}) {
    EXPECT_TRUE(HasBlackIn(*page, QRect(260, 1280, 120, 20)));
    EXPECT_FALSE(HasBlackIn(*page, QRect(0, 1280, 255, 20)));
  }
}

// The screen's view: the page shows its zoom level and value range, and the screen looks the
// same after a printout.
class ViewPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    doc_ = std::make_unique<CTevDoc>();
    ViewOptions options;
    options.timers = &timers_;
    view_ = std::make_unique<CTevView>(nullptr, *doc_, dir_.path().toStdString(), colours_, options);
    view_->resize(760, 765);
    view_->show();
    Fill(*doc_, view_->recording(), 300, true);
    view_->recording().displayMode = 1;
    view_->Redraw();
    view_->grab();
  }
  QImage Screen() {
    view_->grab();
    return view_->composedImage().copy();
  }
  // A zoom of the screen onto the middle of the plot (as a drag would leave it).
  void ZoomScreen() {
    GraphState& g = view_->graphState();
    const PlotGeometry geo = view_->Geometry();
    StoreSelectionStart(g, geo, geo.L + geo.W() / 3, geo.T + geo.H() / 4);
    StoreSelectionEnd(g, geo, geo.L + 2 * geo.W() / 3, geo.T + 3 * geo.H() / 4);
    ASSERT_TRUE(FinishSelection(g, geo));
    view_->Redraw();
  }
  QImage PrintPage() {
    ReportSource s;
    s.graph = &view_->graphState();
    s.doc = doc_.get();
    s.rec = &view_->recording();
    s.viewSettings = &view_->viewSettings();
    s.colours = &view_->colours();
    QImage page(700, 1750, QImage::Format_RGB32);
    QPainter p(&page);
    PaintReportPage(p, page.width(), page.height(), 1, s);
    return page;
  }

  QTemporaryDir dir_;
  VirtualClock clock_;
  VirtualTimerHost timers_{clock_};
  MainSettings colours_;
  std::unique_ptr<CTevDoc> doc_;
  std::unique_ptr<CTevView> view_;
};

TEST_F(ViewPrintTest, AZoomedScreenPrintsZoomed) {
  const QImage unzoomed = PrintPage();
  view_->UndoZoom();
  ZoomScreen();
  Screen();
  const GraphState& g = view_->graphState();
  const int n = view_->recording().readingCount;
  const PlotGeometry screen = view_->Geometry();
  const int screenFirst = PickReading(g, n, screen.L), screenLast = PickReading(g, n, screen.R);
  const auto screenValues = g.valueLabelTexts;
  ASSERT_GT(screenFirst, 0);
  ASSERT_LT(screenLast, n - 1);

  const QImage zoomed = PrintPage();
  const PlotGeometry page = PagePlotGeometry(700, 1750);
  EXPECT_EQ(g.zoomDepth, 1);
  EXPECT_EQ(g.valueLabelTexts, screenValues) << "the same value range";
  EXPECT_NEAR(PickReading(g, n, page.L), screenFirst, 1) << "the same first reading";
  EXPECT_NEAR(PickReading(g, n, page.R), screenLast, 1) << "the same last reading";
  EXPECT_NE(zoomed, unzoomed);
}

TEST_F(ViewPrintTest, TheScreenShowsWhatItShowedBeforeAPrintout) {
  ZoomScreen();
  view_->graphState().scrollSyncPending = false;
  const QImage before = Screen();
  view_->SetPrinting(true);
  PrintPage();
  view_->SetPrinting(false);
  view_->Redraw();
  EXPECT_EQ(Screen(), before);
}

// The main window's commands.
class PrintCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    MainFrameOptions o;
    o.port = &port_;
    o.timers = &timers_;
    o.viewTimers = &timers_;
    o.prompts = &prompts_;
    o.settingsDir = dir_.path().toStdString();
    o.runModal = [this](QDialog& d) {
      modalRuns_.push_back(d.metaObject()->className());
      return modalScript_ ? modalScript_(d) : static_cast<int>(QDialog::Rejected);
    };
    o.clock = [] { return MakeLocalTime(2026, 12, 9, 10, 0, 0); };
    frame_ = std::make_unique<CMainFrame>(o);
    frame_->resize(1280, 800);
    frame_->show();
    QApplication::processEvents();
  }
  void Load(int n, uint8_t mode) {
    Fill(frame_->doc(), frame_->view()->recording(), n, true);
    frame_->view()->recording().displayMode = mode;
    frame_->view()->recording().listNeedsRefill = 1;
    frame_->recordingReplaced();
    frame_->view()->repaint();
    QApplication::processEvents();
  }
  std::string Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
  // Prints to a PDF file from the print dialog, pages first..last (0: all).
  void PrintToPdf(const std::string& path, int first = 0, int last = 0) {
    modalScript_ = [=](QDialog& d) {
      auto* dialog = qobject_cast<QPrintDialog*>(&d);
      if (!dialog) return static_cast<int>(QDialog::Rejected);
      QPrinter* printer = dialog->printer();
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(QString::fromStdString(path));
      if (first > 0) {
        printer->setPrintRange(QPrinter::PageRange);
        printer->setFromTo(first, last);
      }
      return static_cast<int>(QDialog::Accepted);
    };
    frame_->action(kCmdPrint)->trigger();
  }
  static int PdfPages(const std::string& path) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QString::fromStdString(path)});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
  }

  QTemporaryDir dir_;
  VirtualClock clock_;
  SimSerialPort port_{clock_};
  VirtualTimerHost timers_{clock_};
  test::FakePrompts prompts_;
  std::vector<std::string> modalRuns_;
  std::function<int(QDialog&)> modalScript_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(PrintCommandsTest, TextsShortcutAndEnabling) {
  const struct {
    int id;
    const char* text;
    const char* prompt;
    const char* tip;
  } commands[] = {
      {kCmdPrintSetup, "&Print Setup...", "Change the printer and printing options", "Print Setup"},
      {kCmdPrintPreview, "&Print Preview", "Display full pages", "Print Preview"},
      {kCmdPrint, "&Print...", "Print the active document", "Print"},
  };
  for (const auto& c : commands) {
    QAction* a = frame_->action(c.id);
    ASSERT_NE(a, nullptr) << c.id;
    EXPECT_EQ(a->text(), c.text);
    EXPECT_EQ(a->statusTip(), c.prompt);
    EXPECT_EQ(a->toolTip(), c.tip);
    EXPECT_FALSE(a->isEnabled()) << c.text << " without readings";
  }
  EXPECT_EQ(frame_->action(kCmdPrint)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
  Load(10, 1);
  for (const auto& c : commands) EXPECT_TRUE(frame_->action(c.id)->isEnabled()) << c.text;

  frame_->action(kCmdPrintSetup)->trigger();
  ASSERT_EQ(modalRuns_.size(), 1u);
  EXPECT_EQ(modalRuns_[0], "QPageSetupDialog");
}

TEST_F(PrintCommandsTest, PrintDialogToAPdfFileAllPagesOrARange) {
  Load(106, 2);
  const std::string all = Path("all.pdf");
  PrintToPdf(all);
  ASSERT_EQ(modalRuns_.size(), 1u);
  EXPECT_EQ(modalRuns_[0], "QPrintDialog");
  EXPECT_EQ(PdfPages(all), 3);
  EXPECT_FALSE(frame_->view()->isPrinting());

  const std::string two = Path("two.pdf");
  PrintToPdf(two, 2, 2);
  EXPECT_EQ(PdfPages(two), 1);

  // A cancelled dialog prints nothing.
  modalScript_ = {};
  const std::string none = Path("none.pdf");
  frame_->action(kCmdPrint)->trigger();
  EXPECT_FALSE(test::FileExists(none));

  Load(106, 1);
  const std::string graph = Path("graph.pdf");
  PrintToPdf(graph);
  EXPECT_EQ(PdfPages(graph), 1) << "a graph is one page";
}

TEST_F(PrintCommandsTest, PreviewShowsThePagesAndTheScreenStaysAsItWas) {
  Load(200, 1);
  CTevView& view = *frame_->view();
  const QImage before = view.grab().toImage();
  frame_->action(kCmdPrintPreview)->trigger();
  QApplication::processEvents();
  QPrintPreviewDialog* preview = frame_->printCommands()->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->isVisible());
  auto* pages = preview->findChild<QPrintPreviewWidget*>();
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->pageCount(), 1);
  EXPECT_FALSE(view.isPrinting());
  view.repaint();
  EXPECT_EQ(view.grab().toImage(), before);
  preview->reject();
  QApplication::processEvents();
  EXPECT_EQ(frame_->printCommands()->preview(), nullptr);

  view.SetDisplayMode(2);
  frame_->action(kCmdPrintPreview)->trigger();
  QApplication::processEvents();
  preview = frame_->printCommands()->preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->findChild<QPrintPreviewWidget*>()->pageCount(), 4);
}

TEST_F(PrintCommandsTest, ClosingDuringThePreviewWritesTheSettingsAndKeepsTheProgram) {
  Load(60, 2);
  frame_->action(kCmdPrintPreview)->trigger();
  QApplication::processEvents();
  ASSERT_NE(frame_->printCommands()->preview(), nullptr);
  const std::string settings = Path("TEVARO.ini");
  ASSERT_FALSE(test::FileExists(settings));

  EXPECT_FALSE(frame_->close()) << "the close ends the preview only";
  QApplication::processEvents();
  EXPECT_TRUE(test::FileExists(settings));
  EXPECT_TRUE(frame_->isVisible());
  EXPECT_EQ(frame_->printCommands()->preview(), nullptr);
  EXPECT_FALSE(frame_->view()->isPrinting());

  EXPECT_TRUE(frame_->close()) << "without a preview the window closes";
}

// k7740-cli print: the PDF's pages, sheet and a few probes of its rendering.
class CliPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    auto doc = std::make_unique<CTevDoc>();
    RecordingView rec;
    Fill(*doc, rec, 106, false);
    record_ = Path("r.record");
    test::WriteBytes(record_, WriteRecordBytes(*doc, rec));
  }
  std::string Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
  int Run(QStringList args, QString* err = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("K7740_SETTINGS_DIR"), dir_.path());
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    args.prepend(QStringLiteral("print"));
    p.start(QStringLiteral(K7740_BINARY_DIR "/k7740-cli"), args);
    if (!p.waitForFinished(60000)) return -1;
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
  }
  static QString Info(const std::string& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
  }
  // Page `page` at 60 dpi: A4 is 496 x 702 pixels, a tenth of the device pixels. Lines are not
  // smoothed, so a rule of one device pixel still blackens its row.
  QImage Rendered(const std::string& pdf, int page) {
    const QString base = QString::fromStdString(Path("page"));
    QProcess::execute(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"), QStringLiteral("-aaVector"),
         QStringLiteral("no"), QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page),
         QStringLiteral("-l"), QString::number(page), QString::fromStdString(pdf), base});
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
  }

  QTemporaryDir dir_;
  std::string record_;
};

TEST_F(CliPrintTest, ListAndGraphPdfs) {
  const std::string list = Path("list.pdf");
  ASSERT_EQ(Run({QString::fromStdString(record_), QStringLiteral("-o"), QString::fromStdString(list),
                 QStringLiteral("--list")}),
            0);
  const QString info = Info(list);
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n")))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("595 x 842 pts (A4)"))) << info.toStdString();
  // The rule at trunc(107 x 5.5) = 588 device pixels on page 1 only.
  const QImage first = Rendered(list, 1);
  ASSERT_EQ(first.size(), QSize(496, 702));
  const auto ruleAt = [](const QImage& img) {
    for (int y = 56; y <= 61; ++y) {
      if (qGray(img.pixel(480, y)) < 200) return true;
    }
    return false;
  };
  EXPECT_TRUE(ruleAt(first));
  EXPECT_FALSE(ruleAt(Rendered(list, 2)));

  // Only page 2, on letter paper.
  const std::string two = Path("two.pdf");
  ASSERT_EQ(Run({QString::fromStdString(record_), QStringLiteral("--list"), QStringLiteral("--pages"),
                 QStringLiteral("2"), QStringLiteral("--paper"), QStringLiteral("letter"),
                 QStringLiteral("-o"), QString::fromStdString(two)}),
            0);
  EXPECT_TRUE(Info(two).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
  EXPECT_TRUE(Info(two).contains(QStringLiteral("612 x 792 pts (letter)")));
  EXPECT_FALSE(ruleAt(Rendered(two, 1)));

  // The graph page: white margins around the plot's background, the flat curve's row.
  const std::string graph = Path("graph.pdf");
  ASSERT_EQ(Run({QString::fromStdString(record_), QStringLiteral("-o"), QString::fromStdString(graph)}), 0);
  EXPECT_TRUE(Info(graph).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
  const QImage page = Rendered(graph, 1);
  const QColor background = ColorFromIndex(MainSettings{}.backgroundColorIndex);
  EXPECT_EQ(page.pixelColor(10, 400), QColor(Qt::white));
  EXPECT_EQ(page.pixelColor(485, 400), QColor(Qt::white));
  EXPECT_EQ(page.pixelColor(250, 90), QColor(Qt::white));  // between the header and the plot
  EXPECT_EQ(page.pixelColor(200, 350), background);
  // 20 'C on -40..158 over T 975 .. B 6546: y = 6546 - 60 x 5571 / 198 = 4857, so row 485.
  const QColor temp = ColorFromIndex(MainSettings{}.tempColorIndex);
  bool curve = false;
  for (int y = 484; y <= 487; ++y) curve = curve || page.pixelColor(200, y) == temp;
  EXPECT_TRUE(curve);
}

TEST_F(CliPrintTest, BadInputExitsWithTwo) {
  const QString rec = QString::fromStdString(record_), out = QString::fromStdString(Path("x.pdf"));
  const struct {
    QStringList args;
    const char* says;
  } cases[] = {
      {{rec, "-o", out, "--list", "--pages", "4"}, "outside the printout, which has 3 pages"},
      {{rec, "-o", out, "--pages", "2"}, "outside the printout, which has 1 page"},
      {{rec, "-o", out, "--pages", "3-2"}, "Bad page range"},
      {{rec, "-o", out, "--pages", "0"}, "Bad page range"},
      {{rec, "-o", out, "--paper", "a3"}, "Unknown paper"},
      {{rec, "--list"}, "Usage"},
      {{QString::fromStdString(Path("missing.record")), "-o", out}, "missing.record"},
      {{rec, "-o", QString::fromStdString(Path("no/such/dir/x.pdf"))}, "x.pdf"},
  };
  for (const auto& c : cases) {
    QString err;
    EXPECT_EQ(Run(c.args, &err), 2) << c.args.join(' ').toStdString();
    EXPECT_TRUE(err.contains(QString::fromLatin1(c.says))) << err.toStdString();
  }
  EXPECT_FALSE(test::FileExists(Path("x.pdf")));
}

}  // namespace
}  // namespace k7740
