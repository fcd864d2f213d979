// The binding's options: lyra's read options (CCBReadOptions) and layout options
// (CCBLayoutOptions) made from dictionaries whose keys are the option names, the
// keyword arguments of the Python functions, and lyra's messages as Python shows
// them. Names of values (record formats, code pages, ...) are read by lyra's name
// functions; an unknown one raises ValueError.
#ifndef LYRA_PYTHON_PY_OPTIONS_H_
#define LYRA_PYTHON_PY_OPTIONS_H_

#include <pybind11/pybind11.h>

#include <string>

#include <lyra/lyra.h>

// Keys record_format, record_length, rdw_little_endian, rdw_excludes_header, skip,
// range_start, range_end, first_record, code_page, ebcdic, comp5_little_endian,
// binary_little_endian, zero_bytes, max_errors (-1: any number), all_layouts; an absent key or
// None keeps the default. Text comes out as UTF-8.
CCBReadOptions readOptionsFrom(const pybind11::dict& options);

// Keys float_format, national_utf16, strict, source_format, margin, copy_path (a
// list of folders).
CCBLayoutOptions layoutOptionsFrom(const pybind11::dict& options);

// A lyra message without the line end some messages carry: the tool's (layout_source.h),
// whose code the module holds.
std::string messageText(const QvbString& message);

#endif  // LYRA_PYTHON_PY_OPTIONS_H_
