// The rows `lyra write` takes: CSV with a header row (RFC 4180: fields separated by
// commas, quoted with '"' where they hold a comma, quote or line end, a quote inside
// doubled; rows ended by LF or CRLF) or JSON lines (one object per line, of strings,
// numbers and nulls). InputChunker reads the input in chunks of whole rows, so that
// threads can take them apart side by side; CsvRows and JsonRows take the rows of a
// chunk apart in place, pointing into its text, which they change (unquoting, ending
// strings). An empty CSV field is null. Nothing here owns more than its buffer.
#ifndef LYRA_TOOLS_INPUT_ROWS_H_
#define LYRA_TOOLS_INPUT_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "write_options.h"

// A field of a row: its key (JSON lines; CSV fields have their header's), its text, or
// null.
struct InputField {
  const char* key = nullptr;
  int keyLength = 0;
  const char* text = nullptr;
  int length = 0;
  bool null = true;
};

class InputChunker {
 public:
  // Reads from the descriptor (not closed), in chunks of about chunkBytes.
  InputChunker(int descriptor, InputFormat format, int64_t chunkBytes)
      : descriptor_(descriptor), format_(format), chunkBytes_(chunkBytes) {}

  // The first row of a CSV input: its text as read in *header (no line end), its fields
  // in *fields, which point into the chunker. False at the end of the input (no row) or
  // on a read failure (*error).
  bool readHeader(std::string* header, std::vector<InputField>* fields, std::string* error);
  // The next chunk of whole rows in *text; false at the end of the input, or on a read
  // failure with *error set.
  bool next(std::string* text, std::string* error);
  int64_t consumed() const { return consumed_; }  // input bytes handed out

 private:
  bool fill(std::string* error);
  void scanTo(size_t to);
  void handOut(size_t end, std::string* text);

  int descriptor_;
  InputFormat format_;
  int64_t chunkBytes_;
  std::string buffer_;   // read and not yet handed out
  size_t scanned_ = 0;   // bytes of buffer_ scanned for row ends
  bool quoted_ = false;  // CSV: inside quotes at scanned_
  size_t rowEnd_ = 0;    // the last row end scanned; 0: none
  bool ended_ = false;
  int64_t consumed_ = 0;
  std::string headerFields_;  // the header's fields, unquoted
};

// The rows of a chunk of CSV text: fields in order, unquoted in place.
class CsvRows {
 public:
  explicit CsvRows(std::string* text) : text_(text) {}
  // The next row's fields and the bytes it takes in the text (line end excluded);
  // false after the last row. A blank line is a row without fields.
  bool next(std::vector<InputField>* fields, size_t* begin, size_t* end);

 private:
  std::string* text_;
  size_t at_ = 0;
};

// The rows of a chunk of JSON lines: the members of each object, strings unescaped in
// place, numbers as written.
class JsonRows {
 public:
  explicit JsonRows(std::string* text) : text_(text) {}
  // The next line's members and the bytes it takes; false after the last line. A line
  // that is no object of strings, numbers and nulls sets *error (its reason) and no
  // fields; a blank line has no fields.
  bool next(std::vector<InputField>* fields, size_t* begin, size_t* end, std::string* error);
  // The next line's bytes, without its line end, which becomes a NUL so that a parse of
  // the line in place stops there; false after the last line. *blank: the line holds
  // nothing but blanks.
  bool nextLine(size_t* begin, size_t* end, bool* blank);

 private:
  std::string* text_;
  size_t at_ = 0;
};

#endif  // LYRA_TOOLS_INPUT_ROWS_H_
