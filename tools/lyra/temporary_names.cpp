#include "temporary_names.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace {

const int ENTRIES = 8;  // an output and a rejects file's two, with room to spare
const int SIGNALS[] = {SIGINT, SIGTERM};
const int SIGNAL_STATUS = 128;  // the exit status is this and the signal's number

struct Entry {
  std::atomic<bool> used{false};
  char path[PATH_MAX];
};

// The process's table of names. An entry's path is written before it is marked used,
// and it is marked unused before it is written again, so a handler only ever reads
// whole names.
Entry entries[ENTRIES];
std::atomic<bool> guarded{false};

void removeAndExit(int signal) {
  for (Entry& entry : entries) {
    if (entry.used.load()) unlink(entry.path);
  }
  _exit(SIGNAL_STATUS + signal);
}

}  // namespace

namespace temporary_names {

void guard() {
  if (guarded.exchange(true)) return;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = removeAndExit;
  sigemptyset(&action.sa_mask);
  for (const int signal : SIGNALS) sigaddset(&action.sa_mask, signal);
  for (const int signal : SIGNALS) sigaction(signal, &action, nullptr);
}

int note(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < ENTRIES; ++i) {
    Entry& entry = entries[i];
    if (entry.used.load()) continue;
    std::memcpy(entry.path, path.c_str(), path.size() + 1);
    entry.used.store(true);
    return i;
  }
  return -1;
}

void forget(int entry) {
  if (entry >= 0 && entry < ENTRIES) entries[entry].used.store(false);
}

}  // namespace temporary_names
