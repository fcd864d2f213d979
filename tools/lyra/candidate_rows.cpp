#include "candidate_rows.h"

// Rows that read a file alike keep the simpler first: equal candidates keep the rows'
// order, so a file of whole segments alone (segment code 0 throughout) is read as rdw or
// vb, while segments of codes 1 to 3 fail those and leave the spanned rows.
const FramingRow FRAMING_ROWS[] = {
    // format       rdw LE  rdw excl  bdw excl  varseq  header
    {CCB_RECORD_FIXED, false, false, false, -1, HEADER_BY_SIZE},  // records of one length
    {CCB_RECORD_RDW, false, false, false, -1, HEADER_BY_CHAIN},   // the mainframe's own
    // GnuCOBOL's RECORD VARYING in its default form (COB_VARSEQ_FORMAT 0), which no
    // --varseq-format row repeats.
    {CCB_RECORD_RDW, false, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_RDW, true, false, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_RDW, true, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, false, false, false, -1, HEADER_BY_CHAIN},  // blocks of rdw records
    {CCB_RECORD_VB, false, false, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, false, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, false, true, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, true, false, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, true, false, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, true, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VB, true, true, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_RDW, false, false, false, 1, HEADER_BY_CHAIN},  // GnuCOBOL's other forms
    {CCB_RECORD_RDW, false, false, false, 2, HEADER_BY_CHAIN},
    {CCB_RECORD_RDW, false, false, false, 3, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, false, false, false, -1, HEADER_BY_CHAIN},  // segments in blocks
    {CCB_RECORD_VBS, false, false, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, false, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, false, true, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, true, false, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, true, false, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, true, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VBS, true, true, true, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VS, false, false, false, -1, HEADER_BY_CHAIN},  // segments without blocks
    {CCB_RECORD_VS, false, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VS, true, false, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_VS, true, true, false, -1, HEADER_BY_CHAIN},
    {CCB_RECORD_LINES, false, false, false, -1, HEADER_BY_LINES},  // text, LF or CRLF
    {CCB_RECORD_LAYOUT, false, false, false, -1, HEADER_BY_WALK},  // ends where the layout ends
};
const int FRAMING_ROW_COUNT = sizeof FRAMING_ROWS / sizeof FRAMING_ROWS[0];

const PageRow PAGE_ROWS[] = {
    {0, FAMILY_ASCII},      // ISO-8859-1: the bytes as they stand
    {1252, FAMILY_ASCII},   // Windows-1252: ISO-8859-1 with letters and signs at 80-9F
    {1208, FAMILY_ASCII},   // UTF-8
    {37, FAMILY_EBCDIC},    // USA, Canada: what --ebcdic means
    {273, FAMILY_EBCDIC},   // Germany, Austria
    {277, FAMILY_EBCDIC},   // Denmark, Norway
    {278, FAMILY_EBCDIC},   // Finland, Sweden
    {280, FAMILY_EBCDIC},   // Italy
    {284, FAMILY_EBCDIC},   // Spain, Latin America
    {285, FAMILY_EBCDIC},   // United Kingdom
    {297, FAMILY_EBCDIC},   // France
    {500, FAMILY_EBCDIC},   // International
    {871, FAMILY_EBCDIC},   // Iceland
    {1047, FAMILY_EBCDIC},  // Latin-1 of Unix System Services
    {1140, FAMILY_EBCDIC},  // the pages above with the euro sign
    {1141, FAMILY_EBCDIC},  //
    {1142, FAMILY_EBCDIC},  //
    {1143, FAMILY_EBCDIC},  //
    {1144, FAMILY_EBCDIC},  //
    {1145, FAMILY_EBCDIC},  //
    {1146, FAMILY_EBCDIC},  //
    {1147, FAMILY_EBCDIC},  //
    {1148, FAMILY_EBCDIC},  //
    {1149, FAMILY_EBCDIC},  //
};
const int PAGE_ROW_COUNT = sizeof PAGE_ROWS / sizeof PAGE_ROWS[0];

const ByteOrderRow BYTE_ORDER_ROWS[] = {
    {false, false, false},  // big-endian, as mainframes and COBOL's BINARY write it
    {false, true, true},    // native binary little-endian, as on x86
    {true, false, false},   // every binary item little-endian
};
const int BYTE_ORDER_ROW_COUNT = sizeof BYTE_ORDER_ROWS / sizeof BYTE_ORDER_ROWS[0];

const CCBFloatFormat FLOAT_ROWS[] = {
    CCB_FLOAT_IBM,      // hexadecimal floating point, as mainframes write it
    CCB_FLOAT_IEEE,     // IEEE 754 big-endian
    CCB_FLOAT_IEEE_LE,  // IEEE 754 little-endian, as on x86
};
const int FLOAT_ROW_COUNT = sizeof FLOAT_ROWS / sizeof FLOAT_ROWS[0];

Setting framingSetting(const FramingRow& row) {
  Setting setting;
  setting.records.format = row.format;
  setting.records.rdwLittleEndian = row.rdwLittleEndian;
  setting.records.rdwExcludesHeader = row.rdwExcludesHeader;
  setting.records.bdwExcludesHeader = row.bdwExcludesHeader;
  setting.records.varseqFormat = row.varseqFormat;
  return setting;
}

std::vector<std::string> settingArguments(const Setting& setting, bool floatArgument) {
  const RecordFormatOptions& records = setting.records;
  std::vector<std::string> arguments = {"--record-format", ccbRecordFormatName(records.format)};
  if (records.recordLength > 0) {
    arguments.insert(arguments.end(), {"--record-length", std::to_string(records.recordLength)});
  }
  if (records.rdwLittleEndian) arguments.push_back("--rdw-little-endian");
  if (records.rdwExcludesHeader) arguments.push_back("--rdw-excludes-header");
  if (records.bdwExcludesHeader) arguments.push_back("--bdw-excludes-header");
  if (records.varseqFormat >= 0) {
    arguments.insert(arguments.end(), {"--varseq-format", std::to_string(records.varseqFormat)});
  }
  if (records.skip > 0) arguments.insert(arguments.end(), {"--skip", std::to_string(records.skip)});
  if (setting.codePage != 0) {
    arguments.insert(arguments.end(), {"--code-page", ccbCodePageName(setting.codePage)});
  }
  if (setting.comp5LittleEndian) arguments.push_back("--comp5-little-endian");
  if (setting.binaryLittleEndian) arguments.push_back("--binary-little-endian");
  if (floatArgument && setting.floatFormat != CCB_FLOAT_NONE) {
    arguments.insert(arguments.end(), {"--float-format", ccbFloatFormatName(setting.floatFormat)});
  }
  if (setting.odoMax) arguments.insert(arguments.end(), {"--odo-layout", "max"});
  return arguments;
}
