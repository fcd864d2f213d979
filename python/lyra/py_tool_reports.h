// The reports of the tool's diagnose and verify commands for the Python package:
// lyra.diagnose and lyra.verify build the command's arguments from their keywords and
// get the JSON document that --format json writes. The module holds the tool's own
// code for them (tools/lyra), which reads the data file by name or, where data is
// given, the bytes of that buffer (held during the call); the name is then what
// messages call them. Usage errors and failures raise ValueError with the tool's
// message. The interpreter's lock is released while the file is read.
#ifndef LYRA_PYTHON_PY_TOOL_REPORTS_H_
#define LYRA_PYTHON_PY_TOOL_REPORTS_H_

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

std::string diagnoseReport(const std::vector<std::string>& args, const pybind11::object& data);
std::string verifyReport(const std::vector<std::string>& args, const pybind11::object& data);

#endif  // LYRA_PYTHON_PY_TOOL_REPORTS_H_
