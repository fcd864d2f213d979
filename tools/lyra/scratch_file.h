// ScratchFile is a temporary file (in $TMPDIR, else /tmp) holding the text it was
// made with, removed when the object ends. The locator writes a copybook into one.
#ifndef LYRA_TOOLS_SCRATCH_FILE_H_
#define LYRA_TOOLS_SCRATCH_FILE_H_

#include <string>

class ScratchFile {
 public:
  explicit ScratchFile(const std::string& content);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }  // empty when it could not be made

 private:
  std::string path_;
};

#endif  // LYRA_TOOLS_SCRATCH_FILE_H_
