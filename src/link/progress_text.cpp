#include "link/progress_text.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"
#include "link/protocol.h"
#include "link/timer_host.h"

namespace k7740 {

int DownloadSecondsLeft(int position, int maximum) {
  const int left = std::max(0, maximum - position);
  const double perBlock = (kBlockSize + 7) * 10.0 / 9600.0 + kBlockRequestAfterBlockMs / 1000.0;
  return static_cast<int>(std::lround(left * perBlock));
}

std::string DownloadProgressText(int position, int maximum) {
  std::string text = StrFormat("Block %d of %d", position, maximum);
  if (position < maximum) text += StrFormat(", about %d s left", DownloadSecondsLeft(position, maximum));
  return text;
}

}  // namespace k7740
