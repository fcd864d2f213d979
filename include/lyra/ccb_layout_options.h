// CCBLayoutOptions says how copybooks and XML layout documents are turned into
// layouts where files need more than the classic rules: how copybook source is
// written (tolerant parsing of the dialects copybooks come in, unless strict), which
// floating-point format COMP-1 and COMP-2 items hold, and whether NATIONAL items
// hold UTF-16 text. They change the layout itself, so they are given before a
// layout is loaded, to the layout service (CCBLayoutService) or the record reader
// (CCBRecordReader). A value the host owns; a load copies what it needs. Options are set and read
// through functions and the object keeps room for more, so that later releases add options without
// changing what a host built against this one sees. One thread uses an object at a time.
//
// Option (setter)                  default   meaning
// float_format (setFloatFormat)     none      COMP-1 (4 bytes) and COMP-2 (8 bytes)
//                                             items hold ibm: IBM hexadecimal
//                                             floating point; ieee: IEEE 754
//                                             big-endian; ieee-le: IEEE 754
//                                             little-endian. none: such items are
//                                             refused, as the classic rules do
// national_utf16 (setNationalUtf16) false     PIC N and USAGE NATIONAL items hold
//                                             UTF-16 big-endian text, two bytes per
//                                             character position; this changes the
//                                             layout: every later item moves. false:
//                                             one byte per position, as the classic
//                                             rules count
// strict (setStrict)                false     true: copybooks are parsed by the
//                                             classic rules alone; the options
//                                             below and the other tolerant rules
//                                             (listing directives skipped, COPY
//                                             statements expanded, COMP-0) are off
// source_format (setSourceFormat)   fixed     fixed: content in columns 8 to the
//                                             margin, indicator in column 7 (content
//                                             starting with "*" is a comment too); free:
//                                             no columns, "*>" starts a comment
//                                             (also chosen by a ">>SOURCE FORMAT
//                                             FREE" line in the text)
// margin (setMargin)                72        fixed form: the last column read; 0:
//                                             none, the whole line is read (lines
//                                             are read up to column 4096); 1 to 7
//                                             and negative values are refused at
//                                             load
// copy_path (addCopyPath)           none      folders searched for COPY members
//                                             after the including copybook's own
//                                             (copybook text given from memory has
//                                             none: the copy path alone)
// odo_layout (setOdoLayout)         shift     shift: an OCCURS DEPENDING ON table
//                                             takes the repetitions its count
//                                             gives, and the items after it move
//                                             with it; max: it always takes its
//                                             maximum, so that nothing after it
//                                             moves (repetitions past the count
//                                             are null all the same)
#ifndef LYRA_CCB_LAYOUT_OPTIONS_H_
#define LYRA_CCB_LAYOUT_OPTIONS_H_

#include <cstdint>

#include "lyra/export.h"
#include "lyra/qvb_string.h"

enum CCBSourceFormat {
  CCB_SOURCE_FIXED = 0,
  CCB_SOURCE_FREE = 1,
};

// The format named "fixed" or "free" (letter case ignored); false for any other.
extern "C" LYRA_API bool ccbSourceFormatFromName(const char* name, CCBSourceFormat* format);

enum CCBFloatFormat {
  CCB_FLOAT_NONE = 0,
  CCB_FLOAT_IBM = 1,
  CCB_FLOAT_IEEE = 2,
  CCB_FLOAT_IEEE_LE = 3,
};

// The format named "none", "ibm", "ieee" or "ieee-le" (letter case ignored); false
// for any other name.
extern "C" LYRA_API bool ccbFloatFormatFromName(const char* name, CCBFloatFormat* format);
// The name of a format; "" for a value that is none.
extern "C" LYRA_API const char* ccbFloatFormatName(CCBFloatFormat format);

enum CCBOdoLayout {
  CCB_ODO_SHIFT = 0,
  CCB_ODO_MAX = 1,
};

// The layout named "shift" or "max" (letter case ignored); false for any other.
extern "C" LYRA_API bool ccbOdoLayoutFromName(const char* name, CCBOdoLayout* layout);

class LYRA_API CCBLayoutOptions {
 public:
  CCBLayoutOptions();  // every option at its default

  void setFloatFormat(CCBFloatFormat format);
  CCBFloatFormat getFloatFormat() const;
  void setNationalUtf16(bool utf16);
  bool getNationalUtf16() const;
  void setStrict(bool strict);
  bool getStrict() const;
  void setSourceFormat(CCBSourceFormat format);
  CCBSourceFormat getSourceFormat() const;
  void setMargin(int column);
  int getMargin() const;
  // Adds a folder to the end of the COPY search path (a name holding a line end is
  // ignored); clearCopyPath empties it.
  void addCopyPath(const QvbString& folder);
  void clearCopyPath();
  int getCopyPathCount() const;
  QvbString getCopyPath(int index) const;  // null out of range
  void setOdoLayout(CCBOdoLayout layout);
  CCBOdoLayout getOdoLayout() const;

 private:
  int32_t floatFormat_;
  uint32_t flags_;  // the boolean options, a bit each
  int32_t sourceFormat_;
  int32_t margin_;
  QvbString copyPath_;  // the folders, each ended by a line end
  int32_t odoLayout_;
  [[maybe_unused]] int32_t reservedWord_;
  // Room for the options of later releases, so that the object's size, which a host
  // compiles in, stays the same.
  [[maybe_unused]] int64_t reserved_[23];
};

#endif  // LYRA_CCB_LAYOUT_OPTIONS_H_
