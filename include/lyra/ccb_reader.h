// CCBReader, the record reader service, reads a fixed-format data file record by
// record and decodes every field of each record into text. A host adds one or more
// layouts (copybook, XML layout file or XML text), each with the identifier value of
// the records it describes, opens a data file and calls readNextRecord() until it
// returns false; after each record it reads the columns of the active layout.
//
// createCCBReader() returns a new reader owned by the host until it calls release();
// never delete it. The reader owns its layouts, its data file and its identifier
// field; values and names are returned as copies. Operations that can fail keep a
// message for getErrorMessage(), replaced only by a later failure. The debug callback
// stays the host's. One thread uses a reader at a time; separate readers may be used
// on separate threads.
#ifndef LYRA_CCB_READER_H_
#define LYRA_CCB_READER_H_

#include <cstdint>

#include "lyra/export.h"
#include "lyra/lyra_debug_callback.h"
#include "lyra/qvb_datavar.h"
#include "lyra/qvb_string.h"

class LYRA_API CCBReader {
 public:
  CCBReader();
  CCBReader(const CCBReader& other);
  CCBReader& operator=(const CCBReader& other);

  virtual QvbString getErrorMessage() = 0;
  // Destroys the layouts and the data file, then the reader itself.
  virtual void release() = 0;
  // Destroys every layout; the data file and the identifier field stay.
  virtual void clearCopybooks() = 0;
  // Add a layout for the records whose identifier is recordId; with makeActive it
  // becomes the layout whose records readNextRecord() returns.
  virtual bool addCopybook(const QvbString& fileName, QvbString recordId, bool makeActive) = 0;
  virtual bool addLayoutFile(const QvbString& fileName, QvbString recordId, bool makeActive) = 0;
  virtual bool addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) = 0;
  virtual int getCopybookCount() = 0;
  virtual int getOutputCount() = 0;  // columns of the active layout; 0 without one
  virtual void getOutputInfo(int index, QvbString& name, int& type, int& length) = 0;
  // Opens a data file whose first record starts startPosition bytes into the file.
  // With fixedLength every record occupies recordLength bytes (0: the longest
  // layout); otherwise a record ends where its layout ends. noConvert false: display
  // characters are EBCDIC (code page 037) and are converted to ISO-8859-1.
  virtual bool openDataFile(const QvbString& fileName, int startPosition, bool fixedLength,
                            bool noConvert, int recordLength) = 0;
  // Declares the field that tells record layouts apart when several are held: its
  // offset in the record and its clauses, such as "PIC X(2)".
  virtual bool setIdentifierField(int offset, const QvbString& clauseText) = 0;
  // Reads up to and including the next record of the active layout. False at the end
  // of the data (failed false) or on an error (failed true; see getErrorMessage()).
  virtual bool readNextRecord(bool& failed) = 0;
  virtual QvbDatavar getOutputValue(int index) = 0;  // a null value out of range
  virtual int64_t getDataFileSize() = 0;
  virtual int getRecordLength(int layoutIndex) = 0;
  virtual int getMaxRecordLength() = 0;
  // Node entries describe the active layout's hierarchy, repetitions expanded.
  virtual int getNodeCount() = 0;
  virtual void getNodeInfo(int index, int& entryId, int& parentEntryId, bool& isField,
                           QvbString& name, int& type, int& length) = 0;
  virtual ~CCBReader();
  virtual void setDebugCallback(LYRADebugCallback* callback) = 0;
};

extern "C" LYRA_API CCBReader* createCCBReader();

#endif  // LYRA_CCB_READER_H_
