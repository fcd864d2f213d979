#include "support/qv_dom.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Line ends are kept as written (no "\r\n" or '\r' made '\n'), so that every
// text reads back exactly as it was saved.
const unsigned PARSE_FLAGS =
    (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;

// Eight bytes at a time, then the rest.
bool isAscii(const char* text, size_t n) {
  const uint64_t HIGH_BITS = 0x8080808080808080ULL;
  size_t i = 0;
  for (uint64_t word; i + sizeof word <= n; i += sizeof word) {
    std::memcpy(&word, text + i, sizeof word);
    if ((word & HIGH_BITS) != 0) return false;
  }
  for (; i < n; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

// Appends the UTF-8 form of an ISO-8859-1 character.
void appendUtf8(std::string& out, unsigned char c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string latin1ToUtf8(const char* text, size_t n) {
  if (isAscii(text, n)) return std::string(text, n);
  std::string out;
  out.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) appendUtf8(out, static_cast<unsigned char>(text[i]));
  return out;
}

std::string latin1ToUtf8(const QvbString& text) {
  return latin1ToUtf8(text.asCstr(), static_cast<size_t>(text.length()));
}

// Characters beyond ISO-8859-1 become '?'; bytes that are not UTF-8 pass unchanged.
QvbString utf8ToLatin1(const char* text) {
  const size_t n = std::strlen(text);
  if (isAscii(text, n)) {
    QvbString ascii;
    ascii.assign(text, static_cast<int>(n));
    return ascii;
  }
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    if (*p < 0x80) {
      out.push_back(static_cast<char>(*p++));
      continue;
    }
    int extra = (*p & 0xE0) == 0xC0 ? 1 : (*p & 0xF0) == 0xE0 ? 2 : (*p & 0xF8) == 0xF0 ? 3 : 0;
    unsigned long code = *p & (0x3F >> extra);
    int i = 1;
    for (; extra > 0 && i <= extra && (p[i] & 0xC0) == 0x80; ++i)
      code = (code << 6) | (p[i] & 0x3F);
    if (extra == 0 || i <= extra) {
      out.push_back(static_cast<char>(*p++));  // not UTF-8: keep the byte
      continue;
    }
    out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    p += extra + 1;
  }
  return QvbString(out.c_str());
}

struct NameRange {
  unsigned char first;
  unsigned char last;
  bool start;  // may begin a name; otherwise only follow its first character
};

// The ISO-8859-1 characters an XML name may hold.
constexpr NameRange XML_NAME_RANGES[] = {
    {':', ':', true},     // colon
    {'A', 'Z', true},     // upper-case letters
    {'_', '_', true},     // underscore
    {'a', 'z', true},     // lower-case letters
    {0xC0, 0xD6, true},   // letters before the multiplication sign
    {0xD8, 0xF6, true},   // letters before the division sign
    {0xF8, 0xFF, true},   // the remaining letters
    {'-', '-', false},    // hyphen
    {'.', '.', false},    // full stop
    {'0', '9', false},    // digits
    {0xB7, 0xB7, false},  // middle dot
};

enum NameCharKind : unsigned char { NAME_NONE, NAME_FOLLOWS, NAME_STARTS };

struct NameCharTable {
  NameCharKind kind[256];
};

constexpr NameCharTable nameCharTable() {
  NameCharTable table{};
  for (const NameRange& range : XML_NAME_RANGES) {
    for (int c = range.first; c <= range.last; ++c) {
      table.kind[c] = range.start ? NAME_STARTS : NAME_FOLLOWS;
    }
  }
  return table;
}

constexpr NameCharTable NAME_CHARS = nameCharTable();

bool isNameChar(unsigned char c, bool first) {
  return NAME_CHARS.kind[c] == NAME_STARTS || (NAME_CHARS.kind[c] == NAME_FOLLOWS && !first);
}

// Element names that are not XML names are encoded as the header describes.
const char ESCAPE_HEX_DIGITS[] = "0123456789ABCDEF";
const size_t ESCAPE_LENGTH = 7;  // "_x", four hex digits, "_"

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The code of "_xHHHH" at text[at], of the n characters of text, when at least one
// character follows it, or -1.
long escapePrefixCode(const char* text, size_t n, size_t at) {
  if (n - at < ESCAPE_LENGTH || text[at] != '_' || text[at + 1] != 'x') return -1;
  long code = 0;
  for (size_t i = at + 2; i < at + ESCAPE_LENGTH - 1; ++i) {
    const int digit = hexValue(text[i]);
    if (digit < 0) return -1;
    code = code * 16 + digit;
  }
  return code;
}

// Whether the '_' at text[at] must itself be escaped: once encoded, the text from
// there would read as an escape, because the character after "_xHHHH" is a '_' or
// is encoded as an escape, which begins with '_'.
bool mustEscapeUnderscore(const char* text, size_t n, size_t at) {
  if (escapePrefixCode(text, n, at) < 0) return false;
  const unsigned char next = static_cast<unsigned char>(text[at + ESCAPE_LENGTH - 1]);
  return next == '_' || !isNameChar(next, false);
}

void appendEscape(std::string& out, unsigned char c) {
  out += "_x00";
  out.push_back(ESCAPE_HEX_DIGITS[c >> 4]);
  out.push_back(ESCAPE_HEX_DIGITS[c & 0x0F]);
  out.push_back('_');
}

// The name encoded and in UTF-8.
std::string encodeName(const QvbString& name) {
  const char* text = name.asCstr();
  const size_t n = static_cast<size_t>(name.length());
  if (n == 0) return "_x0000_";
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!isNameChar(c, i == 0) || (c == '_' && mustEscapeUnderscore(text, n, i))) {
      appendEscape(out, c);
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

// Whether text holds "_x", which every escape begins with.
bool mayHoldEscape(const char* text) {
  for (const char* p = std::strchr(text, '_'); p != nullptr; p = std::strchr(p + 1, '_')) {
    if (p[1] == 'x') return true;
  }
  return false;
}

QvbString decodeName(const char* utf8) {
  if (!mayHoldEscape(utf8)) return utf8ToLatin1(utf8);
  const std::string text = utf8ToLatin1(utf8).str();
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const long code = escapePrefixCode(text.data(), text.size(), i);
    if (code < 0 || text[i + ESCAPE_LENGTH - 1] != '_') {
      out.push_back(text[i++]);
      continue;
    }
    if (code != 0) out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    i += ESCAPE_LENGTH;
  }
  return QvbString(out.c_str());
}

// Collects what pugixml writes.
struct TextWriter : pugi::xml_writer {
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
  std::string text;
};

}  // namespace

QvbString QvDomNode::getName() const {
  return node_ ? decodeName(node_.name()) : QvbString();
}

QvbString QvDomNode::getValue(bool) const {
  const pugi::xml_text text = node_.text();
  QvbString value;
  if (text) {
    value = utf8ToLatin1(text.get());
  } else {
    value.setNull();
  }
  return value;
}

QvbString QvDomNode::getAttributeValue(const QvbString& name) const {
  const pugi::xml_attribute attribute = node_.attribute(latin1ToUtf8(name).c_str());
  QvbString value;
  if (attribute) {
    value = utf8ToLatin1(attribute.value());
  } else {
    value.setNull();
  }
  return value;
}

bool QvDomNode::setAttributeValue(const QvbString& name, const QvbString& value) {
  if (!node_) return false;
  const std::string key = latin1ToUtf8(name);
  pugi::xml_attribute attribute = node_.attribute(key.c_str());
  if (!attribute) attribute = node_.append_attribute(key.c_str());
  return attribute.set_value(latin1ToUtf8(value).c_str());
}

QvDomNode QvDomNode::addChild(const QvbString& name) {
  return QvDomNode(node_.append_child(encodeName(name).c_str()));
}

void QvDomNode::setValue(const QvbString& text) {
  if (!node_) return;
  if (text.isNull() || text.length() == 0) {
    pugi::xml_node child = node_.first_child();
    while (child) {
      pugi::xml_node next = child.next_sibling();
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
        node_.remove_child(child);
      }
      child = next;
    }
    return;
  }
  const size_t n = static_cast<size_t>(text.length());
  if (isAscii(text.asCstr(), n)) {
    node_.text().set(text.asCstr());
  } else {
    node_.text().set(latin1ToUtf8(text.asCstr(), n).c_str());
  }
}

QvDomNode QvDomNode::getFirstChild(bool) const {
  pugi::xml_node child = node_.first_child();
  while (child && child.type() != pugi::node_element) child = child.next_sibling();
  return QvDomNode(child);
}

QvDomNode QvDomNode::getNextSibling(bool) const {
  pugi::xml_node sibling = node_.next_sibling();
  while (sibling && sibling.type() != pugi::node_element) sibling = sibling.next_sibling();
  return QvDomNode(sibling);
}

bool QvDom::startNewDocument(const QvbString& headName) {
  doc_.reset();
  return static_cast<bool>(doc_.append_child(encodeName(headName).c_str()));
}

QvDomNode QvDom::getRoot() const {
  return QvDomNode(doc_.document_element());
}

bool QvDom::createFile(const QvbString& fileName, bool indent, QvDomNode node) {
  const QvbString text = createXML(indent, node);
  errno = 0;
  std::FILE* file = std::fopen(fileName.asCstr(), "wb");
  bool ok = file != nullptr && std::fwrite(text.asCstr(), 1, static_cast<size_t>(text.length()),
                                           file) == static_cast<size_t>(text.length());
  int code = errno;
  if (file != nullptr && std::fclose(file) != 0) {
    ok = false;
    code = errno;
  }
  if (ok) return true;
  error_ = qvbStringFormat("Cannot write file '%s': %s", fileName.asCstr(),
                           std::strerror(code != 0 ? code : EIO));
  return false;
}

QvbString QvDom::createXML(bool indent, QvDomNode node) const {
  const unsigned flags = indent ? pugi::format_indent : pugi::format_raw;
  TextWriter out;
  if (node.null()) {
    doc_.save(out, "  ", flags, pugi::encoding_utf8);
  } else {
    node.node_.print(out, "  ", flags, pugi::encoding_utf8);
  }
  QvbString result;
  result.assign(out.text.data(), static_cast<int>(out.text.size()));
  return result;
}

// Only regular files are read: pugixml sizes its buffer by seeking to the end, which
// for a folder gives an absurd size.
bool QvDom::loadFile(const QvbString& fileName) {
  struct stat info;
  const char* reason = nullptr;
  if (stat(fileName.asCstr(), &info) != 0) {
    reason = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    reason = "not a regular file";
  }
  if (reason != nullptr) {
    error_ = qvbStringFormat("Cannot read file '%s': %s", fileName.asCstr(), reason);
    return false;
  }
  return takeResult(doc_.load_file(fileName.asCstr(), PARSE_FLAGS));
}

bool QvDom::loadXML(const QvbString& text) {
  return takeResult(
      doc_.load_buffer(text.asCstr(), static_cast<size_t>(text.length()), PARSE_FLAGS));
}

bool QvDom::takeResult(const pugi::xml_parse_result& result) {
  if (result) return true;
  error_ = qvbStringFormat("%s at offset %lld", result.description(),
                           static_cast<long long>(result.offset));
  return false;
}
