// ProgressMeter draws a progress bar for a long read on a terminal: the share of
// the data file read, bytes, records and rate, redrawn in place a few times a
// second on standard error. It shows nothing during the first half second, so
// short reads never show it, and nothing at all when it is disabled. The caller
// decides whether it is enabled (a terminal, no --quiet).
#ifndef LYRA_TOOLS_PROGRESS_METER_H_
#define LYRA_TOOLS_PROGRESS_METER_H_

#include <chrono>
#include <cstdio>
#include <string>

class ProgressMeter {
 public:
  // totalBytes: the size of the data file; 0 when unknown.
  ProgressMeter(std::FILE* terminal, bool enabled, long long totalBytes);

  // bytes: how far the file has been read, -1 when unknown.
  void update(long long bytes, long long records);
  void finish();  // clears the bar

 private:
  using Clock = std::chrono::steady_clock;

  std::string line(long long bytes, long long records, double seconds) const;

  std::FILE* terminal_;
  bool enabled_;
  long long totalBytes_;
  Clock::time_point start_;
  Clock::time_point nextDraw_;
  bool drawn_ = false;
};

// "12.3 MiB": bytes in the largest unit that keeps the number below 1024.
std::string formatBytes(double bytes);

#endif  // LYRA_TOOLS_PROGRESS_METER_H_
