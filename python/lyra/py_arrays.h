// The arrays that reading fills, made empty for the binding's callers. Each array
// owns its memory: numpy frees it with the array, whatever took it over.
#ifndef LYRA_PYTHON_PY_ARRAYS_H_
#define LYRA_PYTHON_PY_ARRAYS_H_

#include <pybind11/numpy.h>

// An array of count Python objects for targets, each slot empty (a null pointer)
// until it is filled: unlike numpy.empty, it does not first put None in every slot.
// Only the slots filled may be handed on.
pybind11::array emptyObjectArray(pybind11::ssize_t count);

// An array of count numbers (or flags) of dtype, its values not set. A large one
// lies in memory of its own that the kernel is advised to back with huge pages: a
// page fault then brings in 2 MiB, not 4 KiB. Processes that hand freed memory back
// to the system at once (Dask's workers do) fault in every new array, and on virtual
// machines each 4 KiB fault can cost more than reading the records it holds.
pybind11::array emptyNumberArray(const pybind11::dtype& dtype, pybind11::ssize_t count);

#endif  // LYRA_PYTHON_PY_ARRAYS_H_
