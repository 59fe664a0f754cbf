#include "shell/qt/manual_path.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

// Set by CMake for this file: the installed manual folder, absolute and relative to the
// program folder (so a relocated installation still finds it).
#ifndef K7740_INSTALLED_MANUAL_DIR
#define K7740_INSTALLED_MANUAL_DIR "/usr/local/share/doc/k7740/manual"
#endif
#ifndef K7740_MANUAL_DIR_FROM_BINDIR
#define K7740_MANUAL_DIR_FROM_BINDIR "../share/doc/k7740/manual"
#endif

namespace k7740 {

QString HelpFilePath(const QString& programDir) {
  return programDir.endsWith(QLatin1Char('/')) ? programDir + QStringLiteral("help.chm")
                                               : programDir + QStringLiteral("/help.chm");
}

QStringList ManualCandidates(const QString& programDir) {
  const QDir dir(programDir);
  const QString index = QStringLiteral("index.html");
  QStringList out;
  for (const QString& folder :
       {dir.filePath(QStringLiteral("manual")), dir.filePath(QStringLiteral(K7740_MANUAL_DIR_FROM_BINDIR)),
        QStringLiteral(K7740_INSTALLED_MANUAL_DIR)}) {
    const QString path = QDir::cleanPath(folder + QLatin1Char('/') + index);
    if (!out.contains(path)) out << path;
  }
  return out;
}

QStringList HelpTopicsFiles(const QString& programDir, const std::function<bool(const QString&)>& hasViewer) {
  QStringList out;
  const QString chm = HelpFilePath(programDir);
  if (QFileInfo(chm).isFile() && hasViewer(chm)) out << chm;
  for (const QString& manual : ManualCandidates(programDir)) {
    if (QFileInfo(manual).isFile()) {
      out << manual;
      break;
    }
  }
  return out;
}

QString ManualNotFoundText(const QString& programDir) {
  return QStringLiteral("The user manual was not found. It was looked for in:\n") +
         ManualCandidates(programDir).join(QLatin1Char('\n'));
}

bool HasDefaultApplication(const QString& path) {
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) return false;
  const QString type = QMimeDatabase().mimeTypeForFile(path).name();
  QProcess query;
  query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished();
    return false;
  }
  return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
         !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace k7740
