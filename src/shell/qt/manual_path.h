// What Help topics opens: help.chm beside the program when the desktop has a viewer for it,
// otherwise the HTML user manual, found beside the program (build tree) or in the installed
// documentation folder.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace k7740 {

// help.chm beside the program (programDir: the program's folder).
QString HelpFilePath(const QString& programDir);

// The manual's index.html in every place it is looked for, best first, without duplicates.
QStringList ManualCandidates(const QString& programDir);

// The files Help topics tries in turn: help.chm when it exists and hasViewer(path) says
// something can show it, then the first manual candidate that exists. Empty: nothing to show.
QStringList HelpTopicsFiles(const QString& programDir, const std::function<bool(const QString&)>& hasViewer);

// The message when no help exists, naming where the manual was looked for.
QString ManualNotFoundText(const QString& programDir);

// Whether the desktop names a default application for the file's MIME type (xdg-mime). An
// existing help.chm means nothing on a desktop that cannot open it.
bool HasDefaultApplication(const QString& path);

}  // namespace k7740
