// The module lyra._lyra: the binding's reader and layout, which the Python modules of
// the lyra package build their functions on.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "py_arrays.h"
#include "py_layout.h"
#include "py_reader.h"

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
      .def("take_rejects", &PyReader::takeRejects);
  py::class_<PyLayout>(module, "Layout")
      .def(py::init<const std::string&, const py::dict&>())
      .def("columns", &PyLayout::columns)
      .def("record_length", &PyLayout::recordLength)
      .def("to_xml", &PyLayout::toXml);
  module.def("is_layout_document", &isLayoutDocument);
  module.def("object_array", &emptyObjectArray);
  module.def("number_array", &emptyNumberArray);
}
