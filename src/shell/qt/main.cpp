// The desktop program: one main window, and at most one record file to open at start-up.
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <cstdio>
#include <cstring>

#include "shell/qt/app_icons.h"
#include "shell/qt/main_frame.h"

namespace {

constexpr const char* kUsage =
    "Usage: k7740 [FILE.record]\n"
    "\n"
    "The desktop program for the K7740 temperature and humidity data logger.\n"
    "FILE.record  a record file to show at start-up\n"
    "--help       this text\n"
    "--version    the version\n"
    "\n"
    "Environment:\n"
    "  K7740_SERIAL_PORTS  colon-separated device paths of serial ports 1..16\n"
    "  K7740_SETTINGS_DIR  folder of the settings file TEVARO.ini (default /var/lib/k7740)\n"
    "  K7740_SERIAL_LOG    file that receives a hex log of every byte on the serial line\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the application starts, so that they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("k7740 " K7740_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("k7740"));
  QApplication::setWindowIcon(k7740::ProgramIcon());
  QApplication::setDesktopFileName(QStringLiteral("k7740"));

  // QApplication has taken its own options out of the arguments.
  QStringList files;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
      std::fprintf(stderr, "k7740: unknown option %s\n\n%s", arg.toLocal8Bit().constData(), kUsage);
      return 2;
    }
    files << arg;
  }
  if (files.size() > 1) {
    std::fprintf(stderr, "k7740: only one record file can be shown at a time; opening %s\n",
                 files.first().toLocal8Bit().constData());
  }

  k7740::CMainFrame frame;
  // Without a window manager "maximised" means nothing, so start at the screen's size as well.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) frame.resize(screen->availableSize());
  frame.showMaximized();
  // A file that cannot be read is reported; the program then goes on with an empty recording.
  if (!files.isEmpty()) frame.OpenDocumentFile(QFile::encodeName(files.first()).toStdString());
  return QApplication::exec();
}
