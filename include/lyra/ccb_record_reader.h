// CCBRecordReader is the record reader extended for files as they come off
// mainframes and batch systems: record formats with descriptor words and text
// lines, inputs in memory or on a pipe, 64-bit positions, byte ranges with split
// points, the position and bytes of each record, and bad records passed over. It
// is a CCBReader: everything a CCBReader does, openDataFile included, it does the
// same way; the options of CCBReadOptions apply to the inputs opened with
// openData, openDataMemory and openDataDescriptor, and those of CCBLayoutOptions to
// the layouts added after setLayoutOptions.
//
// createCCBRecordReader() returns a new reader owned by the host until it calls
// release(); never delete it. Callbacks stay the host's. Memory given to
// openDataMemory stays the host's and must outlive the reading. One thread uses a
// reader at a time; separate readers may be used on separate threads.
#ifndef LYRA_CCB_RECORD_READER_H_
#define LYRA_CCB_RECORD_READER_H_

#include <cstddef>
#include <cstdint>

#include "lyra/ccb_column_usage.h"
#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_read_options.h"
#include "lyra/ccb_reader.h"
#include "lyra/ccb_record_visitor.h"
#include "lyra/export.h"
#include "lyra/qvb_string.h"

// Told of each bad record that reading passes over (see setMaxErrors).
class LYRA_API CCBBadRecordCallback {
 public:
  virtual ~CCBBadRecordCallback();
  // number: the record's number in the file, from 1 (-1 where it cannot be known);
  // offset: its first byte in the file (its descriptor word, where it has one);
  // bytes: its length bytes, descriptor word included, valid during the call.
  virtual void badRecord(int64_t number, int64_t offset, const unsigned char* bytes, int length,
                         const QvbString& reason) = 0;
};

// Told of each split point a scan finds; returning false ends the scan.
class LYRA_API CCBSplitCallback {
 public:
  virtual ~CCBSplitCallback();
  // offset: where a record (vb: a block) starts; number: that record's number in
  // the file, from 1.
  virtual bool splitPoint(int64_t offset, int64_t number) = 0;
};

// Told of each chunk a chunk scan cuts (scanChunks); returning false ends the scan.
class LYRA_API CCBChunkCallback {
 public:
  virtual ~CCBChunkCallback();
  // bytes: size bytes of the input (decompressed, where it is compressed) from offset
  // on, valid during the call: whole records from one split point (a record, or a vb
  // or vbs block; for fixed records any record) up to the next chunk's, the first of
  // them numbered firstRecord (from 1). openDataPart reads them.
  virtual bool chunk(const unsigned char* bytes, size_t size, int64_t offset,
                     int64_t firstRecord) = 0;
  // The scan stopped at a record whose end cannot be found (a descriptor word that
  // cannot be trusted, damaged compressed data): its number, offset and the reason. The
  // chunks before it held every record before it.
  virtual void stopped(int64_t number, int64_t offset, const QvbString& reason) = 0;
};

class LYRA_API CCBRecordReader : public CCBReader {
 public:
  // Opens a data file, a host's bytes, or a descriptor read strictly forward (a
  // pipe, standard input; the reader does not close it). Ranges need a file or
  // memory. False with a message when the input or the options cannot be used.
  virtual bool openData(const QvbString& fileName, const CCBReadOptions& options) = 0;
  virtual bool openDataMemory(const unsigned char* data, size_t size,
                              const CCBReadOptions& options) = 0;
  virtual bool openDataDescriptor(int descriptor, const CCBReadOptions& options) = 0;

  // The current record: the one readNextRecord returned, or the one at which it
  // failed. Its first byte's offset in the input (its descriptor word, where it has
  // one), its number in the file from 1 (-1 where it cannot be known: a lines range
  // that starts past the skip without a first_record), its length and its bytes
  // (descriptor word and line end excluded; valid until the next read).
  virtual int64_t getRecordOffset() = 0;
  virtual int64_t getRecordNumber() = 0;
  virtual int getRecordSize() = 0;
  virtual const unsigned char* getRecordBytes() = 0;
  // The text of column index of the current record, as getOutputValue gives it but
  // whole: with zero_bytes keep, zero bytes included, which the value's text ends
  // at. The bytes stay valid until the next read. False for a null value or an
  // index out of range.
  virtual bool getOutputBytes(int index, const char*& bytes, int& length) = 0;
  // How far reading has come: the offset just past the current record.
  virtual int64_t getInputPosition() = 0;

  // Bad records passed over since the input was opened.
  virtual int64_t getBadRecordCount() = 0;
  virtual void setBadRecordCallback(CCBBadRecordCallback* callback) = 0;

  // Scans the named file's record boundaries (descriptor words; line ends) without
  // decoding and reports a split point about every `every` bytes: the first record
  // (vb: block) that starts at or after each multiple of `every` past the skip, the
  // first record included. For rdw, vb and lines; a range of rdw or vb must start at
  // one of these points.
  virtual bool scanSplitPoints(const QvbString& fileName, const CCBReadOptions& options,
                               int64_t every, CCBSplitCallback* callback) = 0;

  // The options of the layouts added after this call (copybooks and XML layout
  // documents); a layout already added keeps the options it was added with.
  virtual void setLayoutOptions(const CCBLayoutOptions& options) = 0;

  // Segments: the record types of one layout as redefinitions of one area of it,
  // told apart by the identifier field (setIdentifierField). Records whose
  // identifier is recordId hold the item named name: the area or an item that
  // redefines it; every other item of that area is null in them, and the area
  // takes the bytes of the item that applies. A record whose identifier names no
  // segment is a bad record. Segments need exactly one layout; false with a
  // message when the item is not found or redefines another area than the
  // segments before. clearSegments, and clearCopybooks, end them.
  virtual bool addSegment(const QvbString& name, const QvbString& recordId) = 0;
  virtual void clearSegments() = 0;

  // Where column index of the active layout lies in its records (offsets from the
  // record's first byte, a descriptor word left out), as
  // CCBLayoutService::getColumnLayout tells it; false without an active layout.
  virtual bool getColumnLayout(int index, int64_t& offset, int& storageLength,
                               CCBColumnUsage& usage, bool& variable) = 0;

  // The files layout layoutIndex (0 <= layoutIndex < getCopybookCount()) was read
  // from, as the load named them: its copybook or XML layout document first, then
  // every COPY member the copybook included, each once, in the order first read.
  // A program that writes files checks its outputs against them. A layout given as
  // text names no file of its own: XML text gives 0 files, copybook text its COPY
  // members alone. 0 files for an index out of range; getLayoutFile gives null for
  // an index out of range.
  virtual int getLayoutFileCount(int layoutIndex) = 0;
  virtual QvbString getLayoutFile(int layoutIndex, int index) = 0;

  // Records of unknown type: with several layouts, a record whose identifier matches
  // none of them is stepped over like a record of another layout where the record
  // format finds its end without a layout (fixed, rdw, vb, lines): it is no bad
  // record, goes to no bad-record callback and counts against no maximum of errors.
  // (In the layout format, where no layout means no end, it stays a bad record.)
  // How many were stepped over since the input was opened, and the first of them: its
  // number in the file (-1 where unknown), its offset and its identifier, trimmed;
  // false, changing nothing, when there was none.
  virtual int64_t getUnknownRecordCount() = 0;
  virtual bool getFirstUnknownRecord(int64_t& number, int64_t& offset, QvbString& identifier) = 0;

  // Adds the layout of the copybook text of size bytes at data (no zero byte ends it:
  // one inside it is refused as in a copybook file; the reader keeps no hold on it)
  // as addCopybook adds a copybook file: for the records whose identifier is
  // recordId, made active when makeActive is true. Its COPY members are looked up on
  // the copy path alone. False with addCopybook's messages, the line counted from
  // the text's first.
  virtual bool addCopybookText(const char* data, size_t size, QvbString recordId,
                               bool makeActive) = 0;
  // Scans the size bytes at data as scanSplitPoints scans a file.
  virtual bool scanSplitPointsMemory(const unsigned char* data, size_t size,
                                     const CCBReadOptions& options, int64_t every,
                                     CCBSplitCallback* callback) = 0;

  // The active layout, whose columns getOutputCount, getOutputInfo and the values
  // describe: its index in the order the layouts were added, -1 without one. Reading
  // with all_layouts (or with child layouts) makes each record's layout the active one.
  virtual int getActiveLayout() = 0;
  // Makes layout index the active one, as makeActive does when a layout is added;
  // false for an index out of range.
  virtual bool setActiveLayout(int index) = 0;
  // Whether column index of the active layout is a FILLER item's (unnamed, or named
  // FILLER); false out of range.
  virtual bool isFillerColumn(int index) = 0;
  // The strip of column index of the current record: its text, as getOutputBytes gives
  // it, cleaned as the record batch reads the value (see CCBRecordBatch): text without
  // its trailing blanks; a number of a numeric or numeric-edited picture in its
  // shortest form keeping its picture's digits after the point: '-' below zero, the
  // integer digits without leading zeros (at least one), the point and the fraction
  // digits (" 00350.00" is "350.00", "-0007" is "-7", "12.50CR" is "-12.50"); a float
  // without the blanks or '+' before it. False, as for a null value, for a value that
  // the batch takes as an error: "#ERR#", a number that its text does not state, an
  // integer out of range. The bytes stay valid until the next read.
  virtual bool getStrippedOutputBytes(int index, const char*& bytes, int& length) = 0;
  // Hands the current record of the active layout to the visitor, as its copybook
  // shapes it (groups, tables and values, see lyra/ccb_record_visitor.h), the values
  // as getOutputBytes gives them, or with strip as getStrippedOutputBytes does. False
  // without a current record.
  virtual bool walkRecord(CCBRecordVisitor* visitor, bool strip) = 0;
  // The current record as it stands in the input, its descriptor word and line end
  // included: the bytes a bad-record callback receives of a bad record. Valid until
  // the next read; null without a current record.
  virtual const unsigned char* getRecordInputBytes(int& length) = 0;

  // Record hierarchies: records of the layout whose identifier is childId follow a
  // record of the layout whose identifier is parentId and belong to it (a customer,
  // then its accounts, then each account's transactions). A layout that is no child is
  // a root layout; reading an input opened with read options then reads every record
  // of every layout, as all_layouts does, and places each: a root record starts a
  // tree, which ends at the next root record; a child record belongs to the nearest
  // record of its parent layout before it in the current tree. A child record without
  // one is a bad record (passed over as setMaxErrors allows). A range holds the trees
  // of the roots that start in it: it steps over the records before its first root
  // (a range before it holds them) and reads on past its end up to the next root.
  // Record numbers must be known: a lines range that starts past the skip needs its
  // first_record. False with a message for an identifier no layout has, a child that
  // has a parent already or is its own ancestor. clearChildLayouts, and
  // clearCopybooks, end the hierarchy.
  virtual bool addChildLayout(const QvbString& parentId, const QvbString& childId) = 0;
  virtual void clearChildLayouts() = 0;
  // The number in the file of the current record's parent record; -1 for a root record
  // and without a hierarchy.
  virtual int64_t getParentRecordNumber() = 0;
  // Compressed data files (gzip, bzip2, zstd; told by their first bytes) are read
  // decompressed: offsets, sizes, skips, ranges and split points count decompressed
  // bytes. Decompression can start only at the entry points of a file (the start of a
  // gzip member, bzip2 stream or zstd frame; in gzip, with a checkpoint index, also
  // inside a member), so a split scan of a compressed file reports only the first
  // split point at or after each entry point, and a range starts decompressing at the
  // last entry point before it (from the file's start, without an index).
  //
  // The compression of the input open; CCB_COMPRESSION_NONE when none is open.
  virtual CCBCompression getCompression() = 0;
  // The checkpoint index (made by writeIndexFile) that the openings and split scans of
  // data files that follow use: a range starts at its last entry point before it, and a
  // split scan reports its split points without reading the file. Opening any other
  // file than the compressed file it was made of then fails. False with a message when
  // the file is no index; a null or empty name: none.
  virtual bool setIndexFile(const QvbString& fileName) = 0;
  // Scans the compressed data file as scanSplitPoints does, noting an entry point at
  // least every `every` decompressed bytes (gzip: at the end of a deflate block, with
  // the bits and the 32 KiB of output it needs), and writes them with their split
  // points to indexFile (a file of a few tens of KiB per entry point). False with a
  // message, the index not written, when the file is not compressed or the scan fails.
  virtual bool writeIndexFile(const QvbString& fileName, const CCBReadOptions& options,
                              int64_t every, CCBSplitCallback* callback,
                              const QvbString& indexFile) = 0;

  // Cuts the data file into chunks of whole records of about chunkBytes each (the last
  // may be shorter), cut at split points, and hands each to the callback in order: one
  // reader decompresses and frames, and others decode the chunks (openDataPart), a
  // file that cannot be read in ranges included. Takes the format options and the
  // skip; fixed records of the options' record length, or of the longest layout. False
  // with a message when the input cannot be read or the options do not go; a record
  // that stops the scan goes to the callback.
  virtual bool scanChunks(const QvbString& fileName, const CCBReadOptions& options,
                          int64_t chunkBytes, CCBChunkCallback* callback) = 0;
  // Opens size bytes at data (which stay the host's and must outlive the reading) as
  // a chunk that a chunk scan handed over: bytes of a larger input from offset origin
  // on, whose first byte starts a record (vb, vbs: a block) numbered by the options'
  // first_record (-1: unknown). Record offsets and input positions count from the
  // larger input's start; skip and range do not apply, and the bytes are never taken
  // for compressed data.
  virtual bool openDataPart(const unsigned char* data, size_t size, int64_t origin,
                            const CCBReadOptions& options) = 0;
};

extern "C" LYRA_API CCBRecordReader* createCCBRecordReader();

#endif  // LYRA_CCB_RECORD_READER_H_
