#include "support/qv_dom.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

// Line ends are kept as written (no "\r\n" or '\r' made '\n'), so that every
// text reads back exactly as it was saved.
const unsigned PARSE_FLAGS =
    (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;

std::string latin1ToUtf8(const QvbString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.length()));
  for (const char c : text.str()) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

// Characters beyond ISO-8859-1 become '?'; bytes that are not UTF-8 pass unchanged.
QvbString utf8ToLatin1(const char* text) {
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
const NameRange XML_NAME_RANGES[] = {
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

bool isNameChar(unsigned char c, bool first) {
  for (const NameRange& range : XML_NAME_RANGES) {
    if (c >= range.first && c <= range.last) return range.start || !first;
  }
  return false;
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

// The code of "_xHHHH" at text[at] when at least one character follows it, or -1.
long escapePrefixCode(const std::string& text, size_t at) {
  if (text.size() - at < ESCAPE_LENGTH || text.compare(at, 2, "_x") != 0) return -1;
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
bool mustEscapeUnderscore(const std::string& text, size_t at) {
  if (escapePrefixCode(text, at) < 0) return false;
  const unsigned char next = static_cast<unsigned char>(text[at + ESCAPE_LENGTH - 1]);
  return next == '_' || !isNameChar(next, false);
}

void appendEscape(std::string& out, unsigned char c) {
  out += "_x00";
  out.push_back(ESCAPE_HEX_DIGITS[c >> 4]);
  out.push_back(ESCAPE_HEX_DIGITS[c & 0x0F]);
  out.push_back('_');
}

std::string encodeName(const QvbString& name) {
  const std::string& text = name.str();
  if (text.empty()) return "_x0000_";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (isNameChar(c, i == 0) && !mustEscapeUnderscore(text, i)) {
      out.push_back(text[i]);
    } else {
      appendEscape(out, c);
    }
  }
  return latin1ToUtf8(QvbString(out.c_str()));
}

QvbString decodeName(const char* utf8) {
  const std::string text = utf8ToLatin1(utf8).str();
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const long code = escapePrefixCode(text, i);
    if (code < 0 || text[i + ESCAPE_LENGTH - 1] != '_') {
      out.push_back(text[i++]);
      continue;
    }
    if (code != 0) out.push_back(code <= 0xFF ? static_cast<char>(code) : '?');
    i += ESCAPE_LENGTH;
  }
  return QvbString(out.c_str());
}

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
  node_.text().set(latin1ToUtf8(text).c_str());
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
  std::ostringstream out;
  if (node.null()) {
    doc_.save(out, "  ", flags, pugi::encoding_utf8);
  } else {
    node.node_.print(out, "  ", flags, pugi::encoding_utf8);
  }
  const std::string text = out.str();
  QvbString result;
  result.assign(text.c_str(), static_cast<int>(text.size()));
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
  return takeResult(doc_.load_buffer(text.str().data(), text.str().size(), PARSE_FLAGS));
}

bool QvDom::takeResult(const pugi::xml_parse_result& result) {
  if (result) return true;
  error_ = qvbStringFormat("%s at offset %lld", result.description(),
                           static_cast<long long>(result.offset));
  return false;
}
