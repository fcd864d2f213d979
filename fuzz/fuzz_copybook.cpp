// Feeds arbitrary bytes to the copybook parser as a copybook and its COPY members, all
// held in memory. The input is the main copybook up to the first line that starts
// with "@@ "; each such line starts a member named by the rest of the line, which
// runs to the next one. The main copybook is loaded once by the classic rules and
// once by the tolerant rules of the extended services, whose copy path is the one
// folder the members are in, so that COPY with REPLACING, nested members, members
// that include themselves, ambiguous names and the limits are all reached. Whatever
// layout each load builds is saved as an XML layout document and read back with the
// same options: a layout parsed from a copybook must survive the save with its
// columns (names, types and lengths) unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "interface/ccb_layout_loader.h"
#include "parse/ccb_memory_member_source.h"

namespace {

const char MEMBER_MARK[] = "@@ ";        // starts a line that names a member
const char MEMBER_FOLDER[] = "copylib";  // the copy path, where every member is
// Lowered limits, still above what the nesting limit of 32 members needs: a run that
// reaches them stays short enough not to slow the fuzzing down.
const int MAX_MEMBERS = 40;
const int64_t MAX_MEMBER_TEXT = 8 * 1024;

bool sameColumn(const CCBOutputEntry& a, const CCBOutputEntry& b) {
  return a.getName().compare(b.getName(), true) == 0 && a.getOutputType() == b.getOutputType() &&
         a.getOutputLength() == b.getOutputLength();
}

bool sameColumns(const CCBDataRoot& a, const CCBDataRoot& b) {
  if (a.getColumnCount() != b.getColumnCount()) return false;
  for (int i = 0; i < a.getColumnCount(); ++i) {
    if (!sameColumn(*a.getColumn(i), *b.getColumn(i))) return false;
  }
  return true;
}

// Where the text from at on starts a member, or npos.
size_t nextMember(const std::string& input, size_t at) {
  if (input.compare(at, sizeof MEMBER_MARK - 1, MEMBER_MARK) == 0) return at;
  const size_t found = input.find(std::string("\n") + MEMBER_MARK, at);
  return found == std::string::npos ? found : found + 1;
}

// Splits the input into the main copybook and the members, which go to members.
std::string split(const std::string& input, CCBMemoryMemberSource* members) {
  size_t at = nextMember(input, 0);
  const std::string main = input.substr(0, at);
  while (at != std::string::npos) {
    const size_t nameStart = at + sizeof MEMBER_MARK - 1;
    const size_t lineEnd = std::min(input.find('\n', nameStart), input.size());
    const size_t next = lineEnd < input.size() ? nextMember(input, lineEnd + 1) : std::string::npos;
    const std::string name = input.substr(nameStart, lineEnd - nameStart);
    const size_t textStart = std::min(lineEnd + 1, input.size());
    const size_t textEnd = next == std::string::npos ? input.size() : next;
    if (!name.empty()) {
      members->add(std::string(MEMBER_FOLDER) + "/" + name,
                   input.substr(textStart, textEnd - textStart));
    }
    at = next;
  }
  return main;
}

// A loader by the classic rules, or by the options of an extended service with the
// members in memory.
void prepare(CCBLayoutLoader* loader, const CCBLayoutOptions* options,
             const CCBMemoryMemberSource& members) {
  if (options == nullptr) return;
  loader->setLayoutOptions(*options);
  loader->setMemberSource(&members, MAX_MEMBERS, MAX_MEMBER_TEXT);
}

void checkLoad(const std::string& main, const CCBMemoryMemberSource& members,
               const CCBLayoutOptions* options) {
  CCBLayoutLoader loader;
  prepare(&loader, options, members);
  CCBDataRoot* root = loader.readCopybookText(main.data(), main.size());
  if (root == nullptr) return;
  QvbString xml;
  CCBLayoutLoader writer;
  writer.writeLayoutXml(xml, root);
  CCBLayoutLoader reader;
  prepare(&reader, options, members);
  CCBDataRoot* copy = reader.readLayoutXml(xml);
  if (copy == nullptr || !sameColumns(*root, *copy)) abort();
  delete copy;
  delete root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CCBMemoryMemberSource members;
  const std::string main = split(std::string(reinterpret_cast<const char*>(data), size), &members);
  checkLoad(main, members, nullptr);
  CCBLayoutOptions tolerant;  // tolerant parsing, fixed form, margin 72
  tolerant.addCopyPath(MEMBER_FOLDER);
  checkLoad(main, members, &tolerant);
  return 0;
}
