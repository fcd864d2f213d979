// The module lyra._lyra: the binding's reader, writer and layout, which the Python modules
// of the lyra package build their functions on, and the tool's diagnose and verify reports.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "py_arrays.h"
#include "py_layout.h"
#include "py_reader.h"
#include "py_tool_reports.h"
#include "py_writer.h"

namespace py = pybind11;

PYBIND11_MODULE(_lyra, module) {
  module.doc() = "lyra's record reader and layout service; use the lyra package instead";
  py::class_<PyReader>(module, "Reader")
      .def(py::init<>())
      .def("set_layout_options", &PyReader::setLayoutOptions)
      .def("add_layout", &PyReader::addLayout)
      .def("add_layout_text", &PyReader::addLayoutText)
      .def("set_identifier_field", &PyReader::setIdentifierField)
      .def("add_segment", &PyReader::addSegment)
      .def("record_length", &PyReader::recordLength)
      .def("layout_files", &PyReader::layoutFiles)
      .def("open", &PyReader::open)
      .def("open_memory", &PyReader::openMemory)
      .def("open_descriptor", &PyReader::openDescriptor)
      .def("scan_split_points", &PyReader::scanSplitPoints)
      .def("scan_split_points_memory", &PyReader::scanSplitPointsMemory)
      .def("set_index_file", &PyReader::setIndexFile)
      .def("compression", &PyReader::compression)
      .def("set_columns", &PyReader::setColumns)
      .def("describe", &PyReader::describe)
      .def("column_names", &PyReader::columnNames)
      .def("read_into", &PyReader::readInto)
      .def("take_rejects", &PyReader::takeRejects)
      .def("set_active_layout", &PyReader::setActiveLayout)
      .def("filler_columns", &PyReader::fillerColumns)
      .def("record_name", [](PyReader& reader) { return py::bytes(reader.recordName()); })
      .def("set_children", &PyReader::setChildren)
      .def("describe_layouts", &PyReader::describeLayouts)
      .def("read_layouts", &PyReader::readLayouts)
      .def("fill_layout", &PyReader::fillLayout)
      .def("read_rows", &PyReader::readRows)
      .def("set_nested", &PyReader::setNested)
      .def("read_nested", &PyReader::readNested);
  py::class_<PyLayout>(module, "Layout")
      .def(py::init<const std::string&, const py::dict&>())
      .def("columns", &PyLayout::columns)
      .def("record_length", &PyLayout::recordLength)
      .def("to_xml", &PyLayout::toXml);
  py::class_<PyWriter>(module, "Writer")
      .def(py::init<>())
      .def("set_layout_options", &PyWriter::setLayoutOptions)
      .def("add_layout", &PyWriter::addLayout)
      .def("add_layout_text", &PyWriter::addLayoutText)
      .def("set_identifier_field", &PyWriter::setIdentifierField)
      .def("add_segment", &PyWriter::addSegment)
      .def("column_names", &PyWriter::columnNames)
      .def("open", &PyWriter::open)
      .def("write_batch", &PyWriter::writeBatch)
      .def("close", &PyWriter::close);
  module.def("is_layout_document", &isLayoutDocument);
  module.def("object_array", &emptyObjectArray);
  module.def("number_array", &emptyNumberArray);
  module.def("diagnose_report", &diagnoseReport);
  module.def("verify_report", &verifyReport);
}
