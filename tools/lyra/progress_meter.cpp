#include "progress_meter.h"

namespace {

const int BAR_WIDTH = 24;
const std::chrono::milliseconds FIRST_DRAW(500);
const std::chrono::milliseconds REDRAW(200);

const char* const BYTE_UNITS[] = {
    "B",    // below 1 KiB
    "KiB",  //
    "MiB",  //
    "GiB",  //
    "TiB",  // and above
};

}  // namespace

std::string formatBytes(double bytes) {
  size_t unit = 0;
  while (bytes >= 1024 && unit + 1 < sizeof BYTE_UNITS / sizeof BYTE_UNITS[0]) {
    bytes /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, BYTE_UNITS[unit]);
  return text;
}

ProgressMeter::ProgressMeter(std::FILE* terminal, bool enabled, long long totalBytes)
    : terminal_(terminal),
      enabled_(enabled),
      totalBytes_(totalBytes),
      start_(Clock::now()),
      nextDraw_(start_ + FIRST_DRAW) {}

void ProgressMeter::update(long long bytes, long long records) {
  if (!enabled_) return;
  const Clock::time_point now = Clock::now();
  if (now < nextDraw_) return;
  nextDraw_ = now + REDRAW;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::fprintf(terminal_, "\r%s\033[K", line(bytes, records, seconds).c_str());
  std::fflush(terminal_);
  drawn_ = true;
}

void ProgressMeter::finish() {
  if (!drawn_) return;
  std::fprintf(terminal_, "\r\033[K");
  std::fflush(terminal_);
  drawn_ = false;
}

// "[#########...............]  37%  12.0 MiB / 32.4 MiB  120000 records  8.1 MiB/s"
std::string ProgressMeter::line(long long bytes, long long records, double seconds) const {
  std::string text;
  char part[96];
  if (bytes >= 0 && totalBytes_ > 0) {
    const double share = bytes >= totalBytes_ ? 1.0 : static_cast<double>(bytes) / totalBytes_;
    const int filled = static_cast<int>(share * BAR_WIDTH);
    text = "[" + std::string(filled, '#') + std::string(BAR_WIDTH - filled, '.') + "]";
    std::snprintf(part, sizeof part, " %3d%%  %s / %s", static_cast<int>(share * 100),
                  formatBytes(bytes).c_str(), formatBytes(totalBytes_).c_str());
    text += part;
  }
  std::snprintf(part, sizeof part, "  %lld records", records);
  text += part;
  if (seconds > 0) {
    text += "  " + (bytes >= 0
                        ? formatBytes(bytes / seconds) + "/s"
                        : std::to_string(static_cast<long long>(records / seconds)) + " records/s");
  }
  return text;
}
