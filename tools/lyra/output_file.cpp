#include "output_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "temporary_names.h"

namespace {

const char TEMPORARY_PREFIX[] = "/.lyra-";  // in the folder of the output
const char TEMPORARY_PATTERN[] = "XXXXXX";
const mode_t PERMISSION_BITS = 07777;
const mode_t CREATE_MODE = 0666;  // what a plain create asks for
const int NAME_ATTEMPTS = 100;    // names tried for an unnamed file before giving up
// An unnamed file is named through its descriptor's link here, which needs no privilege.
const char DESCRIPTOR_LINKS[] = "/proc/self/fd/";

// The umask can only be read by setting it, so it is set back at once.
mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return CREATE_MODE & ~mask;
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Where an existing file's links lead: that file is replaced, the links stay.
std::string resolved(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  const std::string result(real);
  free(real);
  return result;
}

// A name for a temporary file in folder, unlikely to be taken.
std::string randomName(const std::string& folder, std::mt19937_64* random) {
  static const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string name = folder + TEMPORARY_PREFIX;
  for (size_t i = 0; i < sizeof TEMPORARY_PATTERN - 1; ++i) {
    name += LETTERS[(*random)() % (sizeof LETTERS - 1)];
  }
  return name;
}

}  // namespace

OutputFile::~OutputFile() {
  if (file_ != nullptr && file_ != stream_) std::fclose(file_);
  removeTemporary();
}

bool OutputFile::open(std::string* error) {
  if (stream_ != nullptr) {
    file_ = stream_;
    return true;
  }
  temporary_names::guard();
  struct stat info;
  const bool exists = stat(path_.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) return openDirectly(error);
  target_ = exists ? resolved(path_) : path_;
  folder_ = folderOf(target_);
  const mode_t mode = exists ? info.st_mode & PERMISSION_BITS : newFileMode();
  const int fd = createTemporary(folder_, mode);
  if (fd >= 0 && fchmod(fd, mode) == 0) file_ = fdopen(fd, "wb");
  if (file_ != nullptr) return true;
  const int code = errno;
  if (fd >= 0) close(fd);
  removeTemporary();
  *error = "cannot create " + path_ + ": " + std::strerror(code);
  return false;
}

// An unnamed file in folder where the system makes one, else a named one noted for
// the signal handlers; -1 with errno set when neither can be made.
int OutputFile::createTemporary(const std::string& folder, mode_t mode) {
  temporary_ = true;
  if (!alwaysNamed_ && access(DESCRIPTOR_LINKS, X_OK) == 0) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    unnamed_ = fd >= 0;
    if (unnamed_) return fd;
  }
  temporaryName_ = folder + TEMPORARY_PREFIX + TEMPORARY_PATTERN;
  const int fd = mkstemp(&temporaryName_[0]);
  if (fd < 0) {
    temporaryName_.clear();
    return -1;
  }
  noted_ = temporary_names::note(temporaryName_);
  return fd;
}

// Gives the unnamed file a name of its own in its folder, noted for the signal
// handlers until it is renamed (noted once it is there: a name noted before could be
// another's file); false with the error number in *code.
bool OutputFile::nameTemporary(int* code) {
  const std::string link = DESCRIPTOR_LINKS + std::to_string(fileno(file_));
  std::mt19937_64 random(std::random_device{}());
  for (int attempt = 0; attempt < NAME_ATTEMPTS; ++attempt) {
    const std::string name = randomName(folder_, &random);
    if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temporaryName_ = name;
      noted_ = temporary_names::note(name);
      unnamed_ = false;
      return true;
    }
    *code = errno;
    if (*code != EEXIST) return false;
  }
  return false;
}

void OutputFile::removeTemporary() {
  if (!temporaryName_.empty()) unlink(temporaryName_.c_str());
  temporary_names::forget(noted_);
  noted_ = -1;
  temporaryName_.clear();
  temporary_ = unnamed_ = false;
}

bool OutputFile::openDirectly(std::string* error) {
  file_ = std::fopen(path_.c_str(), "wb");
  if (file_ != nullptr) return true;
  *error = "cannot create " + path_ + ": " + std::strerror(errno);
  return false;
}

bool OutputFile::failed() {
  if (!std::ferror(file_)) return false;
  if (writeError_ == 0) writeError_ = errno;
  return true;
}

bool OutputFile::commit(std::string* error) {
  errno = 0;
  bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  int code = writeError_ != 0 ? writeError_ : errno;
  if (written && unnamed_) written = nameTemporary(&code);
  if (file_ != stream_ && std::fclose(file_) != 0 && written) {
    written = false;
    code = errno;
  }
  file_ = nullptr;
  if (written && temporary_ && std::rename(temporaryName_.c_str(), target_.c_str()) != 0) {
    written = false;
    code = errno;
  }
  if (written) temporaryName_.clear();  // in place now
  removeTemporary();
  if (!written) *error = writeFailure(name(), code);
  return written;
}

std::string writeFailure(const std::string& name, int code) {
  if (code == EPIPE) return std::string();
  return "cannot write " + name + ": " + (code != 0 ? std::strerror(code) : "write error");
}

bool isSameFile(const std::string& a, const std::string& b) {
  struct stat first;
  struct stat second;
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string overwrittenInput(const char* option, const std::string& output,
                             const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (isSameFile(output, input)) {
      return std::string(option) + " '" + output + "' would overwrite the input file '" + input +
             "'";
    }
  }
  return std::string();
}

bool checkOutputFiles(const std::vector<std::pair<const char*, std::string>>& outputs,
                      const std::vector<std::string>& inputs, std::string* error) {
  for (size_t i = 0; i < outputs.size(); ++i) {
    *error = overwrittenInput(outputs[i].first, outputs[i].second, inputs);
    if (!error->empty()) return false;
    for (size_t j = 0; j < i; ++j) {
      if (outputs[i].second == outputs[j].second ||
          isSameFile(outputs[i].second, outputs[j].second)) {
        *error = std::string(outputs[i].first) + " '" + outputs[i].second + "' and " +
                 outputs[j].first + " '" + outputs[j].second + "' name one file";
        return false;
      }
    }
  }
  return true;
}
