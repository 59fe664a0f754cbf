// What the "Logging..." bar says while a download runs: the blocks received of the total and
// the time the rest takes on the line.
#pragma once

#include <string>

namespace k7740 {

// Seconds the blocks after position still take at 9600 baud: each block is a 7-byte request,
// 654 bytes of reply at ten bits a byte, and the 20 ms pause before the next request.
int DownloadSecondsLeft(int position, int maximum);

// "Block 12 of 101, about 63 s left"; the last block says only "Block 101 of 101".
std::string DownloadProgressText(int position, int maximum);

}  // namespace k7740
