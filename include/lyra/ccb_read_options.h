// CCBReadOptions says how the record reader (CCBRecordReader) reads a data file:
// the record format, the file header, the byte range, the character set of display
// text and how many bad records it passes over. A value the host owns; the reader
// copies it when an input is opened. Options are set and read through functions
// and the object keeps room for more, so that later releases add options without
// changing what a host built against this one sees. One thread uses an object at a
// time.
//
// Option (setter)                 default          meaning
// record_format (setRecordFormat)  layout           fixed: records of record_length
//                                                   bytes; layout: a record ends where
//                                                   its layout's walk ends; rdw: each
//                                                   record after a 4-byte record
//                                                   descriptor word; vb: blocks, each
//                                                   after a 4-byte block descriptor
//                                                   word, holding rdw records; lines:
//                                                   text records ended by LF or CRLF;
//                                                   vbs, vs: spanned records, cut into
//                                                   segments behind segment descriptor
//                                                   words, in blocks (vbs) or not (vs)
// record_length (setRecordLength)  0                fixed: bytes per record; 0: the
//                                                   longest layout
// rdw_little_endian                false            rdw, vb, vbs, vs: the record (or
//                                                   segment) descriptor word is written
//                                                   little-endian (00 00 40 00 is a
//                                                   length of 64)
// rdw_excludes_header              false            rdw, vb, vbs, vs: the record length
//                                                   does not count the descriptor's 4
//                                                   bytes
// bdw_excludes_header              false            vb, vbs: the block length does not
//                                                   count the block descriptor's 4
//                                                   bytes
// varseq_format                    none (-1)        rdw: the records of a GnuCOBOL
//   (setVarseqFormat)                               variable file, each behind the
//                                                   length its COB_VARSEQ_FORMAT wrote,
//                                                   which counts the data alone: 0: 2
//                                                   bytes big-endian and 2 zero bytes;
//                                                   1: 4 bytes big-endian; 2: 4 bytes
//                                                   little-endian (the order of the x86
//                                                   machines that write it); 3: 2 bytes
//                                                   big-endian. In place of the rdw
//                                                   options
// skip (setSkip)                   0                bytes of file header before the
//                                                   first record
// range (setRange)                 whole input      [start, end) of file offsets; the
//                                                   records that start inside it are
//                                                   read. -1 for either side: from
//                                                   the skip, to the end
// first_record (setFirstRecord)    unknown (-1)     the number (from 1) of the record
//                                                   at the range's start, as a split
//                                                   scan gives it; rdw and vb ranges
//                                                   that start past the skip need it
// ebcdic (setEbcdic)               false            display text is EBCDIC (code page
//                                                   037): code_page 37 when no other
//                                                   page is set
// code_page (setCodePage)          0                the character set of display text
//                                                   and of the identifier field, by
//                                                   CCSID (see ccbCodePageFromName);
//                                                   0: 037 with ebcdic, else
//                                                   ISO-8859-1 (bytes as they stand)
// result_encoding                  latin1           the encoding of text results:
//   (setResultEncoding)                             latin1 (a character outside
//                                                   ISO-8859-1 becomes '?') or utf8
// comp5_little_endian              false            COMP-5 (native binary) items are
//                                                   little-endian
// binary_little_endian             false            every binary item (BINARY, COMP,
//                                                   COMP-4, COMP-5) is little-endian
// zero_bytes (setZeroBytes)        space            a zero byte (low-value) in display
//                                                   or national text reads as a
//                                                   space; end: it ends the text, as
//                                                   CCBReader reads it; keep: it stays,
//                                                   and getOutputBytes gives the whole
//                                                   text
// max_errors (setMaxErrors)        0                bad records passed over before
//                                                   reading stops; -1: any number
// all_layouts (setAllLayouts)      false            with several layouts, every
//                                                   record of every layout is read,
//                                                   each making its layout the active
//                                                   one (CCBRecordReader::
//                                                   getActiveLayout); otherwise only
//                                                   the active layout's records
//
// Options of writing (CCBRecordWriter), which reading ignores:
// block_size (setBlockSize)        32760            vb, vbs: the most bytes of a block,
//                                                   its descriptor word included; vs:
//                                                   of a segment. vbs and vs cut a
//                                                   record into segments where it does
//                                                   not fit
// overpunch_signs                  false            embedded signs in pages that are not
//   (setOverpunchSigns)                             EBCDIC as overpunch letters ({, A-I
//                                                   positive, }, J-R negative) instead of
//                                                   the plain digit and 'p'-'y'
// binary_full_range                false            binary items take any value their
//   (setBinaryFullRange)                            2, 4 or 8 bytes hold, not only the
//                                                   digits of their picture (TRUNC(BIN))
#ifndef LYRA_CCB_READ_OPTIONS_H_
#define LYRA_CCB_READ_OPTIONS_H_

#include <cstdint>

#include "lyra/export.h"

enum CCBRecordFormat {
  CCB_RECORD_FIXED = 0,
  CCB_RECORD_LAYOUT = 1,
  CCB_RECORD_RDW = 2,
  CCB_RECORD_VB = 3,
  CCB_RECORD_LINES = 4,
  CCB_RECORD_VBS = 5,
  CCB_RECORD_VS = 6,
};

// The format named "fixed", "layout", "rdw", "vb", "lines", "vbs" or "vs" (exact, lower case);
// false for any other name.
extern "C" LYRA_API bool ccbRecordFormatFromName(const char* name, CCBRecordFormat* format);
// The name of a format; "" for a value that is none.
extern "C" LYRA_API const char* ccbRecordFormatName(CCBRecordFormat format);

// How the bytes of a data file are compressed, as its first bytes tell: gzip, bzip2 or
// zstd; the record reader decompresses them as it reads.
enum CCBCompression {
  CCB_COMPRESSION_NONE = 0,
  CCB_COMPRESSION_GZIP = 1,
  CCB_COMPRESSION_BZIP2 = 2,
  CCB_COMPRESSION_ZSTD = 3,
};

// "none", "gzip", "bzip2" or "zstd"; "" for a value that is none.
extern "C" LYRA_API const char* ccbCompressionName(CCBCompression compression);

enum CCBResultEncoding {
  CCB_RESULT_LATIN1 = 0,
  CCB_RESULT_UTF8 = 1,
};

enum CCBZeroBytes {
  CCB_ZERO_BYTES_SPACE = 0,
  CCB_ZERO_BYTES_END = 1,
  CCB_ZERO_BYTES_KEEP = 2,
};

// The rule named "space", "end" or "keep" (letter case ignored); false for any
// other name.
extern "C" LYRA_API bool ccbZeroBytesFromName(const char* name, CCBZeroBytes* rule);

// The CCSIDs of the character sets display text may be in: the EBCDIC pages 37,
// 273, 277, 278, 280, 284, 285, 297, 500, 871, 1047 and 1140 to 1149, the mixed
// EBCDIC pages of single- and double-byte text 930, 933, 935, 937, 939, 1364, 1371,
// 1388, 1390 and 1399, and 819 (ISO-8859-1), 1252 (Windows-1252) and 1208 (UTF-8). A name is the
// number, with or without leading zeros and a "cp" or "ibm" prefix ("273", "cp273", "IBM-273"), or
// "latin1", "iso-8859-1", "windows-1252", "utf8", "utf-8"; letter case is ignored.
// False for any other name.
extern "C" LYRA_API bool ccbCodePageFromName(const char* name, int* ccsid);
// The tool's name of a page: "037", "273", ..., "latin1", "cp1252", "utf8"; "" for
// a number that is no page.
extern "C" LYRA_API const char* ccbCodePageName(int ccsid);
// The encoding named "latin1" or "utf8" (also "iso-8859-1", "utf-8"; letter case
// ignored); false for any other name.
extern "C" LYRA_API bool ccbResultEncodingFromName(const char* name, CCBResultEncoding* encoding);

class LYRA_API CCBReadOptions {
 public:
  CCBReadOptions();  // every option at its default

  void setRecordFormat(CCBRecordFormat format);
  CCBRecordFormat getRecordFormat() const;
  void setRecordLength(int length);
  int getRecordLength() const;
  void setRdwLittleEndian(bool littleEndian);
  bool getRdwLittleEndian() const;
  void setRdwExcludesHeader(bool excludes);
  bool getRdwExcludesHeader() const;
  void setBdwExcludesHeader(bool excludes);
  bool getBdwExcludesHeader() const;
  void setSkip(int64_t bytes);
  int64_t getSkip() const;
  void setRange(int64_t start, int64_t end);
  int64_t getRangeStart() const;
  int64_t getRangeEnd() const;
  void setFirstRecord(int64_t number);
  int64_t getFirstRecord() const;
  void setEbcdic(bool ebcdic);
  bool getEbcdic() const;
  void setMaxErrors(int64_t count);
  int64_t getMaxErrors() const;
  void setCodePage(int ccsid);
  int getCodePage() const;
  // The page display text is read in: code_page, or what ebcdic chooses.
  int getEffectiveCodePage() const;
  void setResultEncoding(CCBResultEncoding encoding);
  CCBResultEncoding getResultEncoding() const;
  void setComp5LittleEndian(bool littleEndian);
  bool getComp5LittleEndian() const;
  void setBinaryLittleEndian(bool littleEndian);
  bool getBinaryLittleEndian() const;
  void setZeroBytes(CCBZeroBytes rule);
  CCBZeroBytes getZeroBytes() const;
  void setAllLayouts(bool all);
  bool getAllLayouts() const;
  void setBlockSize(int64_t bytes);
  int64_t getBlockSize() const;
  void setOverpunchSigns(bool overpunch);
  bool getOverpunchSigns() const;
  void setBinaryFullRange(bool fullRange);
  bool getBinaryFullRange() const;
  // 0 to 3, or -1 for none.
  void setVarseqFormat(int form);
  int getVarseqFormat() const;

 private:
  int32_t recordFormat_;
  int32_t recordLength_;
  int64_t skip_;
  int64_t rangeStart_;
  int64_t rangeEnd_;
  int64_t firstRecord_;
  int64_t maxErrors_;
  uint32_t flags_;  // the boolean options, a bit each
  int32_t codePage_;
  int32_t varseqFormat_;
  [[maybe_unused]] int32_t reservedWord_;
  int64_t blockSize_;
  // Room for the options of later releases, so that the object's size, which a host
  // compiles in, stays the same.
  [[maybe_unused]] int64_t reserved_[22];
};

#endif  // LYRA_CCB_READ_OPTIONS_H_
