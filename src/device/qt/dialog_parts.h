// Small pieces that every device window uses.
#pragma once

#include <QLabel>
#include <QString>
#include <exception>

namespace k7740 {

// The line under the controls that says why the port failed; hidden while it is empty.
QLabel* NewPortStatusLine(QWidget* parent);
// Shows status (plain text) on the line, device paths unbroken, and fits the window to it.
void ShowPortStatus(QLabel* line, const QString& status);
// The plain text the line shows.
QString PortStatusText(const QLabel* line);

// Button handlers run inside the event loop, where an exception would end the program.
template <typename Fn>
void RunGuarded(Fn&& fn) noexcept {
  try {
    fn();
  } catch (const std::exception&) {
    // Nothing to show: the link reports its own failures, and the window stays usable.
  } catch (...) {
  }
}

}  // namespace k7740
