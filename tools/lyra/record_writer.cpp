#include "record_writer.h"

#include "csv_writer.h"
#include "jsonl_writer.h"
#include "table_writer.h"

std::unique_ptr<RecordWriter> createRecordWriter(OutputFormat format, bool typed,
                                                 const std::vector<OutputColumn>& columns) {
  switch (format) {
    case FORMAT_JSONL:
      return std::unique_ptr<RecordWriter>(new JsonlWriter(columns, typed));
    case FORMAT_TABLE:
      return std::unique_ptr<RecordWriter>(new TableWriter(columns));
    case FORMAT_CSV:
    case FORMAT_JSON_NESTED:  // written by NestedWriter, never a row of columns
      break;
  }
  return std::unique_ptr<RecordWriter>(new CsvWriter(columns));
}
