#include "support/qv_dom.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

namespace {

const unsigned PARSE_FLAGS = pugi::parse_default | pugi::parse_ws_pcdata_single;

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

}  // namespace

QvbString QvDomNode::getName() const {
  return node_ ? utf8ToLatin1(node_.name()) : QvbString();
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
  return QvDomNode(node_.append_child(latin1ToUtf8(name).c_str()));
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
  return static_cast<bool>(doc_.append_child(latin1ToUtf8(headName).c_str()));
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

bool QvDom::loadFile(const QvbString& fileName) {
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
