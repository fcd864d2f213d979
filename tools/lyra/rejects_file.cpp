#include "rejects_file.h"

#include "output_text.h"

RejectsFile::RejectsFile(const std::string& path) : bytes_(path), notes_(rejectsNotesPath(path)) {}

bool RejectsFile::open(std::string* error) {
  return bytes_.open(error) && notes_.open(error);
}

void RejectsFile::badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                            const QvbString& reason) {
  if (length > 0) std::fwrite(bytes, 1, static_cast<size_t>(length), bytes_.get());
  line_ = "{\"record\": " + (number >= 0 ? std::to_string(number) : std::string("null")) +
          ", \"offset\": " + std::to_string(offset) + ", \"length\": " + std::to_string(length) +
          ", \"reason\": ";
  appendJsonString(reason.str(), &line_);
  line_ += "}\n";
  std::fwrite(line_.data(), 1, line_.size(), notes_.get());
}

bool RejectsFile::failed() {
  const bool bytesFailed = bytes_.failed();
  return notes_.failed() || bytesFailed;
}

bool RejectsFile::commit(std::string* error) {
  const bool bytesWritten = bytes_.commit(error);
  std::string notesError;
  if (notes_.commit(&notesError)) return bytesWritten;
  if (bytesWritten) *error = notesError;
  return false;
}

std::string rejectsNotesPath(const std::string& path) {
  return path + ".jsonl";
}
