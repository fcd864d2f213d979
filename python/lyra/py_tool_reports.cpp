#include "py_tool_reports.h"

#include <pybind11/stl.h>

#include "diagnose_report.h"
#include "verify_report.h"

namespace py = pybind11;

namespace {

// The command line of args against the option table; ValueError on a usage error.
CommandLine parsed(const std::vector<OptionDef>& defs, const std::vector<std::string>& args) {
  CommandLine line(defs.data(), static_cast<int>(defs.size()));
  std::string error;
  if (!line.parse(args, &error)) throw py::value_error(error);
  return line;
}

// Points the options at the buffer's bytes, when there is one; the view holds them.
void takeData(const py::object& data, py::buffer_info* view, ReadOptions* options) {
  if (data.is_none()) return;
  *view = py::buffer(data).request();
  options->dataBytes = static_cast<const unsigned char*>(view->ptr);
  options->dataSize = static_cast<size_t>(view->size * view->itemsize);
}

}  // namespace

std::string diagnoseReport(const std::vector<std::string>& args, const py::object& data) {
  const CommandLine line = parsed(diagnoseOptionDefs(), args);
  ReadOptions options;
  bool json = true;
  std::string error;
  if (!parseDiagnoseOptions(line, &options, &json, &error)) throw py::value_error(error);
  py::buffer_info view;
  takeData(data, &view, &options);
  Diagnosis diagnosis;
  bool done = false;
  {
    py::gil_scoped_release release;
    done = diagnoseData(options, &diagnosis, &error);
  }
  if (!done) throw py::value_error(error);
  const std::vector<std::string> command = diagnosis.candidates.empty()
                                               ? std::vector<std::string>()
                                               : readCommand(line, diagnosis.candidates[0]);
  return diagnosisJson(diagnosis, command);
}

std::string verifyReport(const std::vector<std::string>& args, const py::object& data) {
  const CommandLine line = parsed(verifyOptionDefs(), args);
  ReadOptions options;
  bool json = true, allLayouts = true;
  std::string error;
  if (!parseVerifyOptions(line, &options, &json, &allLayouts, &error)) {
    throw py::value_error(error);
  }
  py::buffer_info view;
  takeData(data, &view, &options);
  VerifyReport report;
  bool done = false;
  {
    py::gil_scoped_release release;
    done = verifyData(options, allLayouts, false, &report, &error);
  }
  if (!done) throw py::value_error(error);
  return verifyJson(report);
}
