#include "py_arrays.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace py = pybind11;

namespace {

const size_t HUGE_PAGE = size_t{2} << 20;
// Smaller arrays come from numpy: rounding them up to a whole huge page would more
// than double their memory.
const size_t HUGE_PAGE_ARRAY_MIN = size_t{1} << 20;

struct Mapping {
  void* start;
  size_t length;
};

// length bytes (a multiple of HUGE_PAGE) mapped at a HUGE_PAGE boundary, so that every
// huge page of them can be one; null when they cannot be mapped.
void* mapAligned(size_t length) {
  const size_t padded = length + HUGE_PAGE;
  void* mapped = mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const uintptr_t base = reinterpret_cast<uintptr_t>(mapped);
  const uintptr_t start = (base + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  if (start > base) munmap(mapped, start - base);
  const size_t after = base + padded - (start + length);
  if (after > 0) munmap(reinterpret_cast<void*>(start + length), after);
  return reinterpret_cast<void*>(start);
}

}  // namespace

py::array emptyObjectArray(py::ssize_t count) {
  // numpy zeroes the memory of a new array of objects: every slot is a null pointer.
  return py::array(py::dtype("O"), py::array::ShapeContainer{count});
}

py::array emptyNumberArray(const py::dtype& dtype, py::ssize_t count) {
  const py::array::ShapeContainer shape{count};
  const size_t size = static_cast<size_t>(dtype.itemsize());
  // numpy itself refuses a negative count, or one whose bytes no size_t can count.
  if (dtype.kind() == 'O' || count < 0 || size == 0 ||
      static_cast<size_t>(count) > (SIZE_MAX - 2 * HUGE_PAGE) / size) {
    return py::array(dtype, shape);
  }
  const size_t bytes = static_cast<size_t>(count) * size;
  if (bytes < HUGE_PAGE_ARRAY_MIN) return py::array(dtype, shape);
  const size_t length = (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
  void* start = mapAligned(length);
  if (start == nullptr) return py::array(dtype, shape);
#ifdef MADV_HUGEPAGE
  madvise(start, length, MADV_HUGEPAGE);  // advice only: without it, the pages are small
#endif
  py::capsule owner(new Mapping{start, length}, [](void* pointer) {
    Mapping* mapping = static_cast<Mapping*>(pointer);
    munmap(mapping->start, mapping->length);
    delete mapping;
  });
  return py::array(dtype, shape, {}, start, owner);
}
