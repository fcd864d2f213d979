// CCBOutputTarget is where a record writer's bytes go: a file, a descriptor the host
// keeps open, or a memory buffer the host owns. A file is written as a temporary file
// in its folder, which finish() renames over it, so that until then, and for good when
// writing fails, the file stays as it was: where the system allows (O_TMPFILE) the
// temporary file has no name until finish(), so nothing is left of it if the process
// dies; otherwise it is a hidden ".lyra-XXXXXX" that an abandoned target removes. A new
// file gets the permissions a newly created file gets, a replaced one keeps its own.
// Any other kind of file (a device, a pipe) is written directly.
//
// Bytes are gathered in a buffer and written out in large writes. The target owns
// the temporary file, its descriptor and the buffer; the host's descriptor and memory
// stay the host's. One thread uses a target at a time.
#ifndef LYRA_INPUT_CCB_OUTPUT_TARGET_H_
#define LYRA_INPUT_CCB_OUTPUT_TARGET_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class CCBOutputTarget {
 public:
  CCBOutputTarget() = default;
  ~CCBOutputTarget();  // abandons what finish() did not put in place
  CCBOutputTarget(const CCBOutputTarget&) = delete;
  CCBOutputTarget& operator=(const CCBOutputTarget&) = delete;

  // Each opens the target anew, abandoning what it had; false with a message.
  bool openFile(const std::string& path, std::string* error);
  bool openDescriptor(int descriptor, std::string* error);
  void openMemory(unsigned char* buffer, size_t length);

  // Appends bytes; false, with a message, once writing failed or the memory is full.
  bool write(const unsigned char* bytes, size_t length) {
    if (used_ + length <= buffer_.size() && !failed_) {
      std::memcpy(buffer_.data() + used_, bytes, length);
      used_ += length;
      return true;
    }
    return writeSlow(bytes, length);
  }
  // Writes out what is buffered and puts a file in place; false with a message when
  // anything could not be written (a file then stays as it was). The target is closed.
  bool finish(std::string* error);
  // Removes a temporary file and closes the target.
  void abandon();
  bool isOpen() const { return open_; }
  int64_t size() const { return written_ + static_cast<int64_t>(used_); }
  const std::string& errorMessage() const { return error_; }

 private:
  enum Kind { KIND_NONE, KIND_FILE, KIND_DESCRIPTOR, KIND_MEMORY };

  bool writeSlow(const unsigned char* bytes, size_t length);
  bool flush();
  bool writeOut(const unsigned char* bytes, size_t length);
  bool createTemporary(const std::string& folder, unsigned mode);
  bool nameTemporary();
  void reset();

  Kind kind_ = KIND_NONE;
  bool open_ = false;
  bool failed_ = false;
  std::string error_;
  std::string path_;       // the file as named
  std::string target_;     // the file renamed over: the path, or where its links lead
  std::string folder_;     // where the temporary file is
  std::string temporary_;  // the temporary file's name, once it has one
  bool unnamed_ = false;   // the temporary file has no name yet
  bool ownsDescriptor_ = false;
  int descriptor_ = -1;
  std::vector<unsigned char> buffer_;  // files and descriptors: what waits to be written
  size_t used_ = 0;
  int64_t written_ = 0;              // bytes written out before the buffer's
  unsigned char* memory_ = nullptr;  // the host's memory
  size_t memoryLength_ = 0;
};

#endif  // LYRA_INPUT_CCB_OUTPUT_TARGET_H_
