#include "py_options.h"

#include <pybind11/stl.h>

#include <vector>

namespace py = pybind11;

namespace {

// The value of key in the dictionary, or fallback when it is absent or None.
template <typename T>
T valueOr(const py::dict& options, const char* key, T fallback) {
  if (!options.contains(key) || options[key].is_none()) return fallback;
  return options[key].cast<T>();
}

// The value the option key names, read by lyra's name function fromName; fallback when
// the key is absent or None.
template <typename Enum>
Enum named(const py::dict& options, const char* key, Enum fallback,
           bool (*fromName)(const char*, Enum*), const char* choices) {
  if (!options.contains(key) || options[key].is_none()) return fallback;
  const std::string name = py::str(options[key]);
  Enum value = fallback;
  if (!fromName(name.c_str(), &value)) {
    throw py::value_error("unknown " + std::string(key) + " '" + name + "': use " + choices);
  }
  return value;
}

int codePageOf(const py::dict& options) {
  if (!options.contains("code_page") || options["code_page"].is_none()) return 0;
  const std::string name = py::str(options["code_page"]);
  int ccsid = 0;
  if (!ccbCodePageFromName(name.c_str(), &ccsid)) {
    throw py::value_error("unknown code_page '" + name +
                          "': use an EBCDIC page (037, 273, 277, 278, 280, 284, 285, 297, 500, "
                          "871, 1047, 1140 to 1149), a mixed page (930, 933, 935, 937, 939, "
                          "1364, 1371, 1388, 1390, 1399), latin1, cp1252 or utf8");
  }
  return ccsid;
}

}  // namespace

CCBReadOptions readOptionsFrom(const py::dict& options) {
  CCBReadOptions read;
  read.setRecordFormat(named(options, "record_format", CCB_RECORD_LAYOUT, ccbRecordFormatFromName,
                             "fixed, layout, rdw, vb, vbs, vs or lines"));
  read.setRecordLength(valueOr(options, "record_length", 0));
  read.setRdwLittleEndian(valueOr(options, "rdw_little_endian", false));
  read.setRdwExcludesHeader(valueOr(options, "rdw_excludes_header", false));
  read.setBdwExcludesHeader(valueOr(options, "bdw_excludes_header", false));
  read.setVarseqFormat(valueOr(options, "varseq_format", -1));
  read.setSkip(valueOr<int64_t>(options, "skip", 0));
  read.setRange(valueOr<int64_t>(options, "range_start", -1),
                valueOr<int64_t>(options, "range_end", -1));
  read.setFirstRecord(valueOr<int64_t>(options, "first_record", -1));
  read.setCodePage(codePageOf(options));
  read.setEbcdic(valueOr(options, "ebcdic", false));
  read.setComp5LittleEndian(valueOr(options, "comp5_little_endian", false));
  read.setBinaryLittleEndian(valueOr(options, "binary_little_endian", false));
  read.setZeroBytes(named(options, "zero_bytes", CCB_ZERO_BYTES_SPACE, ccbZeroBytesFromName,
                          "space, end or keep"));
  read.setMaxErrors(valueOr<int64_t>(options, "max_errors", 0));
  read.setAllLayouts(valueOr(options, "all_layouts", false));
  read.setResultEncoding(CCB_RESULT_UTF8);
  return read;
}

CCBLayoutOptions layoutOptionsFrom(const py::dict& options) {
  CCBLayoutOptions layout;
  layout.setFloatFormat(named(options, "float_format", CCB_FLOAT_NONE, ccbFloatFormatFromName,
                              "ibm, ieee or ieee-le"));
  layout.setNationalUtf16(valueOr(options, "national_utf16", false));
  layout.setStrict(valueOr(options, "strict", false));
  layout.setSourceFormat(
      named(options, "source_format", CCB_SOURCE_FIXED, ccbSourceFormatFromName, "fixed or free"));
  layout.setMargin(valueOr(options, "margin", 72));
  layout.setOdoLayout(
      named(options, "odo_layout", CCB_ODO_SHIFT, ccbOdoLayoutFromName, "shift or max"));
  const auto folders = valueOr(options, "copy_path", std::vector<std::string>());
  for (const std::string& folder : folders) layout.addCopyPath(folder.c_str());
  return layout;
}
