// The "Logging..." bar's words: blocks received of the total and the line time still to come.
#include "link/progress_text.h"

#include <gtest/gtest.h>

namespace k7740 {
namespace {

TEST(DownloadProgressText, BlocksAndTimeLeftAtNineThousandSixHundredBaud) {
  // A block takes 661 bytes x 10 bits / 9600 baud + 20 ms = 0.70854 s.
  struct Case {
    int position, maximum;
    const char* text;
  };
  const Case cases[] = {
      {1, 101, "Block 1 of 101, about 71 s left"},  // a full logger: 100 blocks to go
      {51, 101, "Block 51 of 101, about 35 s left"},
      {100, 101, "Block 100 of 101, about 1 s left"},
      {101, 101, "Block 101 of 101"},
      {1, 1, "Block 1 of 1"},
  };
  for (const Case& c : cases) EXPECT_EQ(DownloadProgressText(c.position, c.maximum), c.text);
  EXPECT_EQ(DownloadSecondsLeft(5, 3), 0);
}

}  // namespace
}  // namespace k7740
