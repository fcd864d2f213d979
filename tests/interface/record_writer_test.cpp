// The record writer: every data file of tests/data rebuilt byte for byte from the values
// the record reader gives of it (the files GnuCOBOL wrote, and those built by the
// scripts from hand-made values), in its own framing and in the others; each bad value
// with its message; structures (OCCURS DEPENDING ON, REDEFINES, segments, several
// layouts); the outputs and the column-batch side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "interface/service_test_util.h"
#include "lyra/lyra.h"
#include "test_util.h"

namespace {

using test_support::dataPath;
using test_support::own;
using test_support::readFile;
using test_support::TempDir;
using namespace std::string_literals;

// A record as the reader gives it: its number, its layout and each column's whole text
// (null: not there).
struct ReadRecord {
  int64_t number;
  int layout;
  std::vector<std::pair<bool, std::string>> values;
};

// A data file and how it is read and written.
struct DataFile {
  std::string file;
  std::vector<std::pair<std::string, std::string>> layouts;  // copybook, identifier
  std::string idField;                                       // "OFFSET:CLAUSES" or empty
  CCBRecordFormat format = CCB_RECORD_LAYOUT;
  int recordLength = 0;
  int64_t skip = 0;
  int codePage = 0;
  bool rdwLittleEndian = false;
  bool rdwExcludesHeader = false;
  bool overpunch = false;
  bool fullRange = false;
  CCBFloatFormat floatFormat = CCB_FLOAT_NONE;
  bool comp5LittleEndian = false;
  bool nationalUtf16 = false;
};

// The data file's path: a name under tests/data/files, or a whole path.
std::string pathOf(const DataFile& d) {
  return d.file[0] == '/' ? d.file : dataPath("files/" + d.file);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The files of manifest.tsv and framed.tsv, with what each was written with: the
// overpunch letters of -fsign=EBCDIC, the binary range of -fnotrunc.
std::vector<DataFile> listedFiles() {
  std::vector<DataFile> files;
  std::ifstream manifest(dataPath("files/manifest.tsv"));
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = split(line, '\t');
    DataFile d;
    d.file = f[0];
    d.codePage = f[1] == "EBCDIC" ? 37 : 0;
    d.recordLength = std::stoi(f[2]);
    d.format = d.recordLength > 0 ? CCB_RECORD_FIXED : CCB_RECORD_LAYOUT;
    d.skip = std::stoll(f[3]);
    if (f[4] != "-") d.idField = f[4] + ":" + f[5];
    for (const std::string& layout : split(f[6], ',')) {
      const size_t equals = layout.find('=');
      d.layouts.emplace_back(equals == std::string::npos ? layout : layout.substr(equals + 1),
                             equals == std::string::npos ? "" : layout.substr(0, equals));
    }
    d.overpunch = d.file == "customers_ovp.dat";
    d.fullRange = d.file == "jobstats.dat";
    files.push_back(d);
  }
  std::ifstream framed(dataPath("files/framed.tsv"));
  for (std::string line; std::getline(framed, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = split(line, '\t');
    DataFile d;
    d.file = f[0];
    ccbRecordFormatFromName(f[1].c_str(), &d.format);
    d.rdwLittleEndian = f[2].find("rdw_little_endian") != std::string::npos;
    d.rdwExcludesHeader = f[2].find("rdw_excludes_header") != std::string::npos;
    d.codePage = f[2].find("ebcdic") != std::string::npos ? 37 : 0;
    d.layouts.emplace_back(f[3], "");
    files.push_back(d);
  }
  return files;
}

// The files no manifest lists: floats and native binary, code pages, national text,
// numeric-edited amounts.
std::vector<DataFile> otherFiles() {
  std::vector<DataFile> files;
  DataFile measures;
  measures.file = "measures.dat";
  measures.layouts = {{"measures.cpy", ""}};
  measures.format = CCB_RECORD_FIXED;
  measures.floatFormat = CCB_FLOAT_IEEE_LE;
  measures.comp5LittleEndian = true;
  files.push_back(measures);
  measures.file = "measures_be.dat";
  measures.floatFormat = CCB_FLOAT_IEEE;
  files.push_back(measures);
  const std::pair<const char*, int> kunden[] = {{"kunden_273.dat", 273},
                                                {"kunden_1141.dat", 1141},
                                                {"kunden_latin1.dat", 819},
                                                {"kunden_cp1252.dat", 1252},
                                                {"kunden_utf8.dat", 1208}};
  for (const auto& [file, page] : kunden) {
    DataFile d;
    d.file = file;
    d.layouts = {{"kunden.cpy", ""}};
    d.format = CCB_RECORD_FIXED;
    d.codePage = page;
    d.overpunch = page == 819 || page == 1252;
    files.push_back(d);
  }
  DataFile national;
  national.file = "national.dat";
  national.layouts = {{"national.cpy", ""}};
  national.format = CCB_RECORD_FIXED;
  national.nationalUtf16 = true;
  files.push_back(national);
  DataFile edited;
  edited.file = "edited.dat";
  edited.layouts = {{"edited.cpy", ""}};
  edited.format = CCB_RECORD_FIXED;
  files.push_back(edited);
  return files;
}

CCBLayoutOptions layoutOptions(const DataFile& d) {
  CCBLayoutOptions options;
  options.setFloatFormat(d.floatFormat);
  options.setNationalUtf16(d.nationalUtf16);
  return options;
}

CCBReadOptions readOptions(const DataFile& d) {
  CCBReadOptions options;
  options.setRecordFormat(d.format);
  options.setRecordLength(d.recordLength);
  options.setCodePage(d.codePage);
  options.setRdwLittleEndian(d.rdwLittleEndian);
  options.setRdwExcludesHeader(d.rdwExcludesHeader);
  options.setComp5LittleEndian(d.comp5LittleEndian);
  options.setResultEncoding(CCB_RESULT_UTF8);
  options.setZeroBytes(CCB_ZERO_BYTES_KEEP);
  return options;
}

// Every record of the file, of every layout, in file order.
std::vector<ReadRecord> readAll(const DataFile& d) {
  std::map<int64_t, ReadRecord> records;
  for (size_t active = 0; active < d.layouts.size(); ++active) {
    auto reader = own(createCCBRecordReader());
    reader->setLayoutOptions(layoutOptions(d));
    for (size_t i = 0; i < d.layouts.size(); ++i) {
      EXPECT_TRUE(reader->addCopybook(dataPath("copybooks/" + d.layouts[i].first).c_str(),
                                      d.layouts[i].second.c_str(), i == active))
          << reader->getErrorMessage().str();
    }
    if (!d.idField.empty()) {
      const size_t colon = d.idField.find(':');
      EXPECT_TRUE(reader->setIdentifierField(std::stoi(d.idField.substr(0, colon)),
                                             d.idField.substr(colon + 1).c_str()));
    }
    CCBReadOptions options = readOptions(d);
    options.setSkip(d.skip);
    EXPECT_TRUE(reader->openData(pathOf(d).c_str(), options)) << reader->getErrorMessage().str();
    bool failed = false;
    while (reader->readNextRecord(failed)) {
      ReadRecord record{reader->getRecordNumber(), static_cast<int>(active), {}};
      for (int c = 0; c < reader->getOutputCount(); ++c) {
        const char* bytes = nullptr;
        int length = 0;
        const bool present = reader->getOutputBytes(c, bytes, length);
        record.values.emplace_back(present, present ? std::string(bytes, length) : "");
      }
      records[record.number] = record;
    }
    EXPECT_FALSE(failed) << reader->getErrorMessage().str();
  }
  std::vector<ReadRecord> ordered;
  for (auto& entry : records) ordered.push_back(entry.second);
  return ordered;
}

// A writer of the file's layouts, not yet open.
test_support::Owned<CCBRecordWriter> makeWriter(const DataFile& d) {
  auto writer = own(createCCBRecordWriter());
  writer->setLayoutOptions(layoutOptions(d));
  for (const auto& [copybook, id] : d.layouts) {
    EXPECT_TRUE(writer->addCopybook(dataPath("copybooks/" + copybook).c_str(), id.c_str(), false))
        << writer->getErrorMessage().str();
  }
  if (!d.idField.empty()) {
    const size_t colon = d.idField.find(':');
    EXPECT_TRUE(writer->setIdentifierField(std::stoi(d.idField.substr(0, colon)),
                                           d.idField.substr(colon + 1).c_str()));
  }
  return writer;
}

// The bytes the writer writes of the records in the options' format.
std::string writeAll(const DataFile& d, const std::vector<ReadRecord>& records,
                     CCBReadOptions options) {
  auto writer = makeWriter(d);
  options.setOverpunchSigns(d.overpunch);
  options.setBinaryFullRange(d.fullRange);
  std::string memory(readFile(pathOf(d)).size() * 2 + 4096, '\0');
  EXPECT_TRUE(
      writer->openMemory(reinterpret_cast<unsigned char*>(&memory[0]), memory.size(), options))
      << writer->getErrorMessage().str();
  for (const ReadRecord& record : records) {
    writer->setActiveLayout(record.layout);
    for (size_t c = 0; c < record.values.size(); ++c) {
      if (record.values[c].first) {
        writer->setValue(static_cast<int>(c), record.values[c].second.data(),
                         static_cast<int>(record.values[c].second.size()));
      }
    }
    bool failed = false;
    EXPECT_TRUE(writer->writeRecord(failed))
        << d.file << " record " << record.number << ": " << writer->getErrorMessage().str();
  }
  EXPECT_TRUE(writer->close()) << writer->getErrorMessage().str();
  memory.resize(static_cast<size_t>(writer->getOutputSize()));
  return memory;
}

// The record bytes of a file in the format it was read with: descriptor words, line
// ends and the header left out.
std::vector<std::string> recordBytes(const DataFile& d) {
  auto reader = own(createCCBRecordReader());
  reader->setLayoutOptions(layoutOptions(d));
  for (const auto& layout : d.layouts) {
    reader->addCopybook(dataPath("copybooks/" + layout.first).c_str(), layout.second.c_str(), true);
  }
  if (!d.idField.empty()) {
    const size_t colon = d.idField.find(':');
    reader->setIdentifierField(std::stoi(d.idField.substr(0, colon)),
                               d.idField.substr(colon + 1).c_str());
  }
  CCBReadOptions options = readOptions(d);
  options.setSkip(d.skip);
  options.setRecordFormat(d.format);
  std::vector<std::string> records;
  if (d.format == CCB_RECORD_LAYOUT) return records;  // only its walk frames it
  EXPECT_TRUE(reader->openData(pathOf(d).c_str(), options));
  bool failed = false;
  while (reader->readNextRecord(failed)) {
    records.emplace_back(reinterpret_cast<const char*>(reader->getRecordBytes()),
                         static_cast<size_t>(reader->getRecordSize()));
  }
  return records;
}

// Every file rebuilt from the values read of it: byte for byte in its own framing (the
// vb files and the text lines, whose blocks and line ends a script chose, by their
// records), then in rdw and vb framing around the same records.
TEST(RecordWriterTest, RebuildsEveryDataFileFromItsValues) {
  std::vector<DataFile> files = listedFiles();
  for (const DataFile& other : otherFiles()) files.push_back(other);
  for (const DataFile& d : files) {
    SCOPED_TRACE(d.file);
    const std::vector<ReadRecord> records = readAll(d);
    ASSERT_FALSE(records.empty());
    const std::string original = readFile(pathOf(d)).substr(static_cast<size_t>(d.skip));
    const std::string written = writeAll(d, records, readOptions(d));
    if (d.format != CCB_RECORD_VB && d.format != CCB_RECORD_LINES) {
      EXPECT_EQ(original, written);
    }
    // The same records in rdw and vb framing: the records read back are those written
    // by GnuCOBOL (or the script), in the same order.
    if (d.layouts.size() > 1 || d.format == CCB_RECORD_LAYOUT) continue;
    std::vector<std::string> expected = recordBytes(d);
    for (CCBRecordFormat format : {CCB_RECORD_RDW, CCB_RECORD_VB}) {
      CCBReadOptions options = readOptions(d);
      options.setRecordFormat(format);
      options.setRecordLength(0);
      options.setBlockSize(1000);
      const std::string framed = writeAll(d, records, options);
      DataFile again = d;
      again.format = format;
      again.recordLength = 0;
      again.skip = 0;
      TempDir dir;
      again.file = dir.write("framed.dat", framed);
      std::vector<std::string> read = recordBytes(again);
      if (d.format == CCB_RECORD_LINES) {
        // Lines that left out their trailing blanks read as if padded with them.
        for (std::string& record : expected) record.resize(read.front().size(), ' ');
      }
      EXPECT_EQ(expected, read) << ccbRecordFormatName(format);
    }
  }
}

}  // namespace
