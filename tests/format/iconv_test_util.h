// glibc's iconv, which the text codec and encoder tests hold lyra's pages to.
#ifndef LYRA_TESTS_FORMAT_ICONV_TEST_UTIL_H_
#define LYRA_TESTS_FORMAT_ICONV_TEST_UTIL_H_

#include <iconv.h>

#include <memory>
#include <string>

namespace iconv_test {

const int MIXED_PAGES[] = {930, 933, 935, 937, 939, 1364, 1371, 1388, 1390, 1399};

// iconv's converter between two encodings, closed at the end.
class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole text converted from the initial state and back to it (a last shift-in);
  // null where iconv refuses it or there is no converter.
  std::unique_ptr<std::string> convert(const std::string& text) {
    if (!ok()) return nullptr;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string in = text;
    char out[256];
    char *src = &in[0], *dst = out;
    size_t inLeft = in.size(), outLeft = sizeof out;
    if (iconv(cd_, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) ||
        iconv(cd_, nullptr, nullptr, &dst, &outLeft) == static_cast<size_t>(-1)) {
      return nullptr;
    }
    return std::make_unique<std::string>(out, dst);
  }

 private:
  iconv_t cd_;
};

}  // namespace iconv_test

#endif  // LYRA_TESTS_FORMAT_ICONV_TEST_UTIL_H_
