// CCBRecordWriter writes the record files that CCBRecordReader reads: the mirror of
// reading. It is made from the same layouts (copybooks and XML layout documents,
// several with their record identifiers, segments) and the same options: those of
// CCBLayoutOptions for the layouts added after setLayoutOptions, those of
// CCBReadOptions for the output (record format, descriptor words, block_size, code
// page, result encoding, binary byte orders, max_errors, and the choices only writing
// has: overpunch_signs, binary_full_range). A record read and written back gives the
// same bytes where they are canonical.
//
// The host sets the values of a record of the active layout by column index (the
// reader's getOutputCount/getOutputInfo order) or name, as text in the result encoding
// of the options (ISO-8859-1 or UTF-8): what the reader gives, or plain numbers such
// as "1", "-12.5", "1e-3", "007"; a numeric-edited item also takes its edited text,
// which must edit back to itself. A value not set is null: the field takes its
// default, blanks for text and national items, zero for numbers. Then writeRecord
// writes the record and clears the values. Typed values come through the column-batch
// side: arrays of integers, doubles or texts, one per column, for many records at
// once (writeBatch).
//
// Structures: OCCURS columns as the reader names them; OCCURS DEPENDING ON writes as
// many repetitions as its count's value, and the record is as long as that in the
// variable formats; a count out of range, or values given past it, make the record
// bad. REDEFINES: an area is written from the first of its items (the area, then each
// redefinition, in layout order) whose columns hold a value, or with segments, from
// the one the record's identifier names; values given for its other items must read
// back as given from the bytes so written, else the record is bad.
//
// Nothing is written wrong: a value that does not fit its field (see
// CCBFieldEncoder's rules: too many digits, a negative value for an unsigned picture,
// text longer than its field, a character the code page cannot encode, a float out of
// range) makes the record bad, and so does a record its format cannot frame. A bad
// record stops writing unless max_errors allows more: each is then reported to the
// CCBBadValueCallback and passed over. Nothing of a bad record is written.
//
// Output goes to a file (written as a temporary file in the same folder and renamed
// over the file by close(); until then, and for good when writing fails, the file
// stays as it was), to a descriptor the host keeps open, or to a memory buffer the host
// owns. createCCBRecordWriter() returns a new writer owned by the host until it calls
// release(), which abandons output not yet closed; never delete it. Callbacks and
// memory stay the host's. One thread uses a writer at a time; separate writers may be
// used on separate threads.
#ifndef LYRA_CCB_RECORD_WRITER_H_
#define LYRA_CCB_RECORD_WRITER_H_

#include <cstddef>
#include <cstdint>

#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_read_options.h"
#include "lyra/ccb_record_visitor.h"
#include "lyra/export.h"
#include "lyra/qvb_string.h"

// Told of each bad record that writing passes over (see max_errors).
class LYRA_API CCBBadValueCallback {
 public:
  virtual ~CCBBadValueCallback();
  // record: the number of the record given to the writer, from 1, counting every
  // record given (written or not); column: the column whose value is bad, -1 for a
  // problem of the whole record; name: its name; value: its text as given (a typed
  // value as text); reason: why, as "has 4 integer digits, more than the 3 its picture
  // holds". All valid during the call.
  virtual void badValue(int64_t record, int column, const QvbString& name, const QvbString& value,
                        const QvbString& reason) = 0;
};

class LYRA_API CCBRecordWriter {
 public:
  virtual ~CCBRecordWriter();
  virtual void release() = 0;
  virtual QvbString getErrorMessage() = 0;

  // Layouts, as the record reader takes them: the options of the layouts added next,
  // each layout with the identifier value of its records (made active with makeActive),
  // the identifier field and segments.
  virtual void setLayoutOptions(const CCBLayoutOptions& options) = 0;
  virtual bool addCopybook(const QvbString& fileName, QvbString recordId, bool makeActive) = 0;
  virtual bool addCopybookText(const char* data, size_t size, QvbString recordId,
                               bool makeActive) = 0;
  virtual bool addLayoutFile(const QvbString& fileName, QvbString recordId, bool makeActive) = 0;
  virtual bool addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) = 0;
  virtual bool setIdentifierField(int offset, const QvbString& clauseText) = 0;
  virtual bool addSegment(const QvbString& name, const QvbString& recordId) = 0;
  virtual int getLayoutCount() = 0;
  virtual QvbString getLayoutId(int layoutIndex) = 0;  // null out of range
  // The files layout layoutIndex was read from, as CCBRecordReader tells them.
  virtual int getLayoutFileCount(int layoutIndex) = 0;
  virtual QvbString getLayoutFile(int layoutIndex, int index) = 0;

  // The active layout: the one whose records are written. Changing it clears the
  // values. findLayout gives the index of the layout of an identifier value (letter
  // case ignored), -1 for none.
  virtual bool setActiveLayout(int layoutIndex) = 0;
  virtual int getActiveLayout() = 0;
  virtual int findLayout(const QvbString& recordId) = 0;
  // The columns of the active layout, as the reader names and types them; findColumn
  // gives the index of an output name (exact), -1 for none.
  virtual int getOutputCount() = 0;
  virtual void getOutputInfo(int index, QvbString& name, int& type, int& length) = 0;
  virtual int findColumn(const QvbString& name) = 0;

  // Opens the output with the options: a file, a descriptor (not closed by the writer),
  // or length bytes of memory at buffer (getOutputSize tells how much is used; a record
  // that does not fit stops writing). prepareEncoding takes the options without an
  // output, for encodeRecord alone. False with a message for options that do not go
  // with writing (skip, range, first_record) or an output that cannot be opened.
  virtual bool openFile(const QvbString& fileName, const CCBReadOptions& options) = 0;
  virtual bool openDescriptor(int descriptor, const CCBReadOptions& options) = 0;
  virtual bool openMemory(unsigned char* buffer, size_t length, const CCBReadOptions& options) = 0;
  virtual bool prepareEncoding(const CCBReadOptions& options) = 0;
  // Writes out the last block and what is buffered, and puts a file in place. False
  // with a message when anything could not be written; a file then stays as it was.
  virtual bool close() = 0;
  virtual int64_t getOutputSize() = 0;  // bytes written so far, descriptor words included

  // The values of the record being built. setValue copies the length bytes of text
  // (zero bytes included); false for a column out of range.
  virtual bool setValue(int column, const char* text, int length) = 0;
  virtual bool setValueByName(const QvbString& name, const char* text, int length) = 0;
  virtual void setNull(int column) = 0;
  virtual void clearValues() = 0;
  // Writes the record and clears the values. True when it was written. False when it
  // is bad and was passed over (failed false), or writing stopped (failed true): a bad
  // record past max_errors or an output that failed; see getErrorMessage.
  virtual bool writeRecord(bool& failed) = 0;
  // The bytes of the record the values make, without writing or clearing them: valid
  // until the next call. False with the bad value (getBadValue) when it is bad.
  virtual bool encodeRecord(const unsigned char*& bytes, int& length) = 0;
  // Frames and writes the length bytes of a record encodeRecord made (of any writer
  // with the same options): as writeRecord, counted as a record given.
  virtual bool writeRecordBytes(const unsigned char* bytes, int length, bool& failed) = 0;
  // With several layouts: whether the identifier field of the record the values make
  // holds the active layout's identifier value. False when the record is bad or there
  // is no identifier field.
  virtual bool identifierMatches(bool& matches) = 0;

  // The column-batch side: typed values of count records at once, per column, each
  // with a validity byte per record (0: null; a null validity: every value valid).
  // Texts lie one after another in bytes, value i from offsets[i] to offsets[i + 1].
  // The arrays stay the host's and must hold count values until writeBatch returns;
  // setBatch* keep them for the next writeBatch only. Columns without an array are
  // null, unless a value is set for them with setValue, which then holds for every
  // record of the batch. False for a column out of range.
  virtual bool setBatchIntegers(int column, const int64_t* values,
                                const unsigned char* validity) = 0;
  virtual bool setBatchUnsigned(int column, const uint64_t* values,
                                const unsigned char* validity) = 0;
  virtual bool setBatchReals(int column, const double* values, const unsigned char* validity) = 0;
  virtual bool setBatchTexts(int column, const char* bytes, const int64_t* offsets,
                             const unsigned char* validity) = 0;
  // Writes count records from the batch's arrays, then forgets the arrays and clears
  // the values. Returns how many were written; failed when writing stopped, at the
  // record getRecordsGiven() tells.
  virtual int64_t writeBatch(int64_t count, bool& failed) = 0;

  // Records given to the writer (written or passed over), written, and passed over.
  virtual int64_t getRecordsGiven() = 0;
  virtual int64_t getRecordsWritten() = 0;
  virtual int64_t getBadRecordCount() = 0;
  virtual void setBadValueCallback(CCBBadValueCallback* callback) = 0;
  // The last bad record: its number, column (-1 for the whole record), the value and
  // the reason. False when there was none.
  virtual bool getBadValue(int64_t& record, int& column, QvbString& value, QvbString& reason) = 0;

  // Hands the active layout's items to the visitor as CCBRecordReader::walkRecord hands
  // a record's (lyra/ccb_record_visitor.h), with every table at its most elements, every
  // REDEFINES item whatever the segments, and each value null: the shape of the layout
  // with the column of each value, for a host that places values by their items. False
  // without a visitor or an active layout.
  virtual bool walkLayout(CCBRecordVisitor* visitor) = 0;
};

extern "C" LYRA_API CCBRecordWriter* createCCBRecordWriter();

#endif  // LYRA_CCB_RECORD_WRITER_H_
