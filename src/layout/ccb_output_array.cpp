#include "layout/ccb_output_array.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "layout/ccb_data_field.h"
#include "layout/ccb_data_root.h"
#include "layout/ccb_output_value.h"

namespace {

// Whether field node has a single column: neither it nor any of its ancestors repeats.
bool soleColumn(const CCBData* node) {
  if (!node->isField()) return false;
  for (const CCBData* n = node; n != nullptr; n = n->getParent()) {
    if (n->isOccursFixed() || n->isOccursDepending()) return false;
  }
  return true;
}

}  // namespace

// The base name, then "_" and the number in decimal, as the name was first formed.
QvbString CCBOutputEntry::getName() const {
  QvbString name = *baseName_;
  if (nameNumber_ != 0) {
    char suffix[16] = {'_'};
    *std::to_chars(suffix + 1, suffix + sizeof suffix - 1, nameNumber_).ptr = '\0';
    name.append(suffix);
  }
  return name;
}

const QvbDatavar& CCBOutputEntry::fieldValue() const {
  return static_cast<const CCBDataField*>(node_)->value();
}

int CCBOutputEntry::getOutputType() const {
  return node_->getOutputType();
}
int CCBOutputEntry::getOutputLength() const {
  return node_->getOutputLength();
}
bool CCBOutputEntry::isField() const {
  return node_->isField();
}

// Decodes a value still to be decoded into the entry's own, for the rest of the record.
const QvbDatavar& CCBOutputEntry::value() const {
  const unsigned char* bytes = nullptr;
  const State state = this->state(&bytes);
  if (state == NO_VALUE) return nullValue();
  if (state == LATER) {
    decodeLater(bytes, &heldValue());
    showsFieldValue_ = later_ = false;
    setAt_ = record_->clearCount;
  }
  return heldNow();
}

bool CCBOutputEntry::viewText(const char** bytes, int* length) const {
  const unsigned char* later = nullptr;
  return view(bytes, length, &later) != NO_VALUE;
}

// The text where it lies, and where the value was: NO_VALUE leaves *bytes unset;
// LATER sets *later to the field's bytes it was decoded from.
CCBOutputEntry::State CCBOutputEntry::view(const char** bytes, int* length,
                                           const unsigned char** later) const {
  const State state = this->state(later);
  if (state == NO_VALUE) return NO_VALUE;
  if (state == LATER) {
    textOf(*later, bytes, length);
  } else if (!keptValue(bytes, length)) {
    const QvbDatavar& held = heldNow();
    if (held.isNull()) return NO_VALUE;
    *bytes = held.text().asCstr();
    *length = held.text().length();
  }
  return state;
}

void CCBOutputEntry::textOf(const unsigned char* bytes, const char** text, int* length) const {
  *text = decodeText(bytes, length);
  // The end rule leaves zero bytes in text as it stands, where the value ends; the
  // space rule leaves none, and the keep rule keeps them.
  const void* zero = decoding().zeroBytes == CCB_ZERO_BYTES_END
                         ? std::memchr(*text, 0, static_cast<size_t>(*length))
                         : nullptr;
  if (zero != nullptr) *length = static_cast<int>(static_cast<const char*>(zero) - *text);
}

bool CCBOutputEntry::wholeText(const char** bytes, int* length) const {
  const unsigned char* later = nullptr;
  const State state = view(bytes, length, &later);
  if (state == NO_VALUE) return false;
  // The field's bytes in the kept record stay until the next record, and so does a
  // text in the format's buffer when this is the field's only column; otherwise the
  // field's next decoding, for any of its columns, writes over it.
  if (state == LATER && !soleColumn_ && *bytes != reinterpret_cast<const char*>(later)) {
    *bytes = keep(*bytes, *length);
  }
  return true;
}

// A text kept again in the same record goes where it went before when it fits.
const char* CCBOutputEntry::keep(const char* bytes, int length) const {
  const uint64_t now = record_->clearCount;
  char* text = keptAt_ == now && keptLength_ >= length
                   ? const_cast<char*>(kept_)
                   : record_->kept.room(now, static_cast<size_t>(length));
  if (length > 0) std::memcpy(text, bytes, static_cast<size_t>(length));
  kept_ = text;
  keptLength_ = length;
  keptAt_ = now;
  keptValue_ = false;
  return text;
}

// Room for length bytes in the blocks of the record at. The blocks of an earlier
// record are used again in turn, so that records alike allocate nothing; a text
// longer than a block gets one of its own.
char* CCBKeptTexts::room(uint64_t at, size_t length) {
  if (blocksAt_ != at) {
    blocksAt_ = at;
    current_ = 0;
    blockUsed_ = 0;
  }
  while (current_ < blocks_.size() && blocks_[current_].size - blockUsed_ < length) {
    ++current_;
    blockUsed_ = 0;
  }
  if (current_ == blocks_.size()) {
    const size_t size = length > BLOCK_SIZE ? length : BLOCK_SIZE;
    blocks_.push_back(Block{std::unique_ptr<char[]>(new char[size]), size});
  }
  char* text = blocks_[current_].bytes.get() + blockUsed_;
  blockUsed_ += length;
  return text;
}

const QvbDatavar& CCBOutputEntry::nullValue() {
  static const QvbDatavar value;
  return value;
}

const QvbString* CCBOutputArray::nextName(CCBData* node, int* number) {
  if (node != lastNode_) {
    QvbString base = node->getOutputName();
    if (base.isNull() || base.compare("", true) == 0) base = node->getName();
    lastName_ = names_.emplace(std::move(base), NameCounts()).first;
    lastNode_ = node;
  }
  NameCounts& counts = lastName_->second;
  *number = ++(node->isField() ? counts.fields : counts.others);
  return &lastName_->first;
}

int CCBOutputArray::registerNode(CCBData* node, int parentEntryId) {
  const int entryId = getNodeEntryCount() + 1;
  int number = 0;
  const QvbString* name = nextName(node, &number);
  std::vector<CCBOutputEntry>& entries = node->isField() ? columns_ : others_;
  entries.emplace_back(node, name, number, entryId, parentEntryId, &record_, soleColumn(node));
  columnCount_ = static_cast<int>(columns_.size());
  return entryId;
}

// The columns fill the ids between those of the other entries: the entry at index is
// either another entry or the column that follows the columns among the entries
// before it.
CCBOutputEntry* CCBOutputArray::getNodeEntry(int index) {
  if (index < 0 || index >= getNodeEntryCount()) return nullptr;
  const int entryId = index + 1;
  const auto other =
      std::lower_bound(others_.begin(), others_.end(), entryId,
                       [](const CCBOutputEntry& entry, int id) { return entry.getEntryId() < id; });
  if (other != others_.end() && other->getEntryId() == entryId) return &*other;
  return &columns_[static_cast<size_t>(index - (other - others_.begin()))];
}
