// The three parts of the main window's status bar, which the scan, the duplicate finder and the
// batch tools write to.
#pragma once

namespace vorne {

inline constexpr int kStatusEntries = 0;     // the entry count, and the batch tools' texts
inline constexpr int kStatusDuplicates = 1;  // the duplicate finder's texts
inline constexpr int kStatusFile = 2;        // the file being read, then the timing
inline constexpr int kStatusPartCount = 3;

}  // namespace vorne
