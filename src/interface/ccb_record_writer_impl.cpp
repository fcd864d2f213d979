#include "interface/ccb_record_writer_impl.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

#include "interface/ccb_layout_loader.h"
#include "interface/ccb_record_walk.h"
#include "layout/ccb_output_array.h"
#include "parse/parse_copybook.h"

CCBBadValueCallback::~CCBBadValueCallback() = default;
CCBRecordWriter::~CCBRecordWriter() = default;

CCBRecordWriter* createCCBRecordWriter() {
  return new (std::nothrow) CCBRecordWriterImpl();
}

namespace {

// Room for the text of a typed value.
const int NUMBER_TEXT_ROOM = 32;

std::string text(const QvbString& value) {
  return value.isNull() ? std::string() : std::string(value.asCstr(), value.length());
}

}  // namespace

CCBRecordWriterImpl::~CCBRecordWriterImpl() {
  target_.abandon();
  for (CCBDataRoot* root : layouts_) delete root;
}

template <typename Step>
bool CCBRecordWriterImpl::addLayout(Step step, const QvbString& recordId, bool makeActive) {
  if (state_ == WRITING) {
    errorMessage_ = QvbString("Layouts are added before the output is opened");
    return false;
  }
  CCBLayoutLoader loader;
  loader.setLayoutOptions(layoutOptions_);
  std::unique_ptr<CCBDataRoot> root;
  std::unique_ptr<CCBRecordBuilder> builder;
  std::string error;
  try {
    root.reset(step(loader));
    if (root == nullptr) {
      errorMessage_ = loader.getErrorMessage();
      return false;
    }
    builder.reset(new CCBRecordBuilder);
    if (!builder->init(root.get(), &error)) {
      errorMessage_ = QvbString(error.c_str());
      return false;
    }
    layouts_.push_back(root.get());
    builders_.push_back(std::move(builder));
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Out of memory while loading the layout");
    return false;
  }
  root.release()->setRecordId(recordId);
  layoutIds_.push_back(recordId);
  if (makeActive || active_ < 0) setActiveLayout(getLayoutCount() - 1);
  return true;
}

bool CCBRecordWriterImpl::addCopybook(const QvbString& fileName, QvbString recordId,
                                      bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readCopybook(fileName); }, recordId,
                   makeActive);
}

bool CCBRecordWriterImpl::addCopybookText(const char* data, size_t size, QvbString recordId,
                                          bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readCopybookText(data, size); },
                   recordId, makeActive);
}

bool CCBRecordWriterImpl::addLayoutFile(const QvbString& fileName, QvbString recordId,
                                        bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readLayoutFile(fileName); },
                   recordId, makeActive);
}

bool CCBRecordWriterImpl::addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readLayoutXml(xml); }, recordId,
                   makeActive);
}

bool CCBRecordWriterImpl::setIdentifierField(int offset, const QvbString& clauseText) {
  if (offset < 0 || offset > MAX_RECORD_LENGTH) {
    errorMessage_ = qvbStringFormat("Invalid identifier offset %d: it must be from 0 to %d", offset,
                                    MAX_RECORD_LENGTH);
    return false;
  }
  QvbString clauses("field ");
  clauses.append(clauseText);
  QvbString picture;
  QvbString usage;
  int signFlags = 0;
  if (!parseClauseText(clauses, picture, usage, signFlags)) {
    errorMessage_ = QvbString("ID pic statement parse failed");
    return false;
  }
  idField_.setName(QvbString("Copybook_ID_Field"));
  if (!idField_.setIdFormat(picture, usage, signFlags) || !idField_.reserveText(3)) {
    errorMessage_ = idField_.getErrorMessage();
    return false;
  }
  idOffset_ = offset;
  idSet_ = true;
  applySegments();
  return true;
}

bool CCBRecordWriterImpl::addSegment(const QvbString& name, const QvbString& recordId) {
  if (layouts_.size() != 1) {
    errorMessage_ = QvbString("Segments need exactly one layout");
    return false;
  }
  CCBData* item = findInSubtree(layouts_[0], name, nullptr, true, true);
  if (item == nullptr || item->isRoot()) {
    errorMessage_ = qvbStringFormat("Segment item not found: %s", name.asCstr());
    return false;
  }
  CCBData* area = item->getRedefines() != nullptr ? item->getRedefines() : item;
  bool redefined = false;
  for (const CCBData* other = area->getNextSibling(); other != nullptr;
       other = other->getNextSibling()) {
    redefined = redefined || other->getRedefines() == area;
  }
  if (!redefined) {
    errorMessage_ =
        qvbStringFormat("Segment item %s neither redefines nor is redefined", name.asCstr());
    return false;
  }
  if (segmentArea_ != nullptr && area != segmentArea_) {
    errorMessage_ = qvbStringFormat("Segment %s is not %s or a redefinition of it", name.asCstr(),
                                    segmentArea_->getName().asCstr());
    return false;
  }
  segmentArea_ = area;
  QvbString id = recordId;
  id.trim(true, true);
  segments_.push_back(Segment{id, item});
  applySegments();
  return true;
}

void CCBRecordWriterImpl::applySegments() {
  if (segments_.empty() || builders_.empty()) return;
  std::vector<CCBBuildSegment> segments;
  for (const Segment& segment : segments_) segments.push_back({segment.item, segment.recordId});
  builders_[0]->setSegments(segments, segmentArea_, idSet_ ? &idField_ : nullptr, idOffset_);
}

QvbString CCBRecordWriterImpl::getLayoutId(int layoutIndex) {
  if (layoutIndex < 0 || layoutIndex >= getLayoutCount()) return QvbString(nullptr);
  return layoutIds_[static_cast<size_t>(layoutIndex)];
}

int CCBRecordWriterImpl::getLayoutFileCount(int layoutIndex) {
  if (layoutIndex < 0 || layoutIndex >= getLayoutCount()) return 0;
  return layouts_[static_cast<size_t>(layoutIndex)]->getInputFileCount();
}

QvbString CCBRecordWriterImpl::getLayoutFile(int layoutIndex, int index) {
  if (layoutIndex < 0 || layoutIndex >= getLayoutCount()) return QvbString(nullptr);
  return layouts_[static_cast<size_t>(layoutIndex)]->getInputFile(index);
}

CCBDataRoot* CCBRecordWriterImpl::activeRoot() const {
  return active_ >= 0 ? layouts_[static_cast<size_t>(active_)] : nullptr;
}

bool CCBRecordWriterImpl::setActiveLayout(int layoutIndex) {
  if (layoutIndex < 0 || layoutIndex >= getLayoutCount()) {
    errorMessage_ =
        qvbStringFormat("No layout %d: the writer has %d", layoutIndex, getLayoutCount());
    return false;
  }
  if (layoutIndex == active_) {
    clearValues();
    return true;
  }
  active_ = layoutIndex;
  const int columns = builders_[static_cast<size_t>(layoutIndex)]->columnCount();
  values_.assign(static_cast<size_t>(columns), CCBValueSlot());
  textOffsets_.assign(static_cast<size_t>(columns), 0);
  batch_.assign(static_cast<size_t>(columns), BatchColumn());
  columnNames_.clear();
  clearValues();
  return true;
}

int CCBRecordWriterImpl::findLayout(const QvbString& recordId) {
  QvbString id = recordId;
  id.trim(true, true);
  for (size_t i = 0; i < layouts_.size(); ++i) {
    if (layouts_[i]->matchesRecordId(id)) return static_cast<int>(i);
  }
  return -1;
}

int CCBRecordWriterImpl::getOutputCount() {
  return active_ >= 0 ? static_cast<int>(values_.size()) : 0;
}

void CCBRecordWriterImpl::getOutputInfo(int index, QvbString& name, int& type, int& length) {
  const CCBDataRoot* root = activeRoot();
  const CCBOutputEntry* column = root != nullptr ? root->getColumn(index) : nullptr;
  if (column == nullptr) return;
  name = column->getName();
  type = column->getOutputType();
  length = column->getOutputLength();
}

int CCBRecordWriterImpl::findColumn(const QvbString& name) {
  const CCBDataRoot* root = activeRoot();
  if (root == nullptr || name.isNull()) return -1;
  if (columnNames_.empty()) {
    for (int i = root->getColumnCount() - 1; i >= 0; --i) {
      columnNames_[text(root->getColumn(i)->getName())] = i;
    }
  }
  const auto found = columnNames_.find(text(name));
  return found != columnNames_.end() ? found->second : -1;
}

// Output -------------------------------------------------------------------------------

bool CCBRecordWriterImpl::checkOptions(const CCBReadOptions& options) {
  const CCBRecordFormat format = options.getRecordFormat();
  std::string problem;
  if (layouts_.empty()) {
    problem = "One or more Copybook Files required for writing data";
  } else if (format < CCB_RECORD_FIXED || format > CCB_RECORD_VS) {
    problem = "Unknown record format";
  } else if (options.getVarseqFormat() < -1 || options.getVarseqFormat() > 3) {
    problem = "Invalid varseq format: GnuCOBOL's variable files have the forms 0 to 3";
  } else if (options.getVarseqFormat() >= 0 && format != CCB_RECORD_RDW) {
    problem = "A varseq format goes with the rdw record format only";
  } else if (options.getRecordLength() < 0 || options.getRecordLength() > MAX_RECORD_LENGTH) {
    problem = "Invalid record length " + std::to_string(options.getRecordLength()) +
              ": it must be from 0 to " + std::to_string(MAX_RECORD_LENGTH);
  } else if (options.getSkip() != 0 || options.getRangeStart() >= 0 || options.getRangeEnd() >= 0 ||
             options.getFirstRecord() >= 0) {
    problem = "skip, range and first_record are options of reading: a writer writes whole files";
  } else if ((format == CCB_RECORD_VB || format == CCB_RECORD_VBS || format == CCB_RECORD_VS) &&
             (options.getBlockSize() < CCBOutputFramer::MIN_BLOCK_SIZE ||
              options.getBlockSize() > CCBOutputFramer::MAX_BLOCK_SIZE)) {
    problem = "Invalid block size " + std::to_string(options.getBlockSize()) +
              ": it must be from " + std::to_string(CCBOutputFramer::MIN_BLOCK_SIZE) + " to " +
              std::to_string(CCBOutputFramer::MAX_BLOCK_SIZE);
  }
  if (problem.empty()) return true;
  errorMessage_ = QvbString(problem.c_str());
  return false;
}

// Takes the options: the encoding of values, the decoding of what is read back, the
// framing. False with a message when they do not go with writing.
bool CCBRecordWriterImpl::setOptions(const CCBReadOptions& options) {
  if (!checkOptions(options)) return false;
  const int page = options.getEffectiveCodePage();
  const bool utf8 = options.getResultEncoding() == CCB_RESULT_UTF8;
  if (!encoding_.text.init(page, utf8) || !decoding_.codec.init(page, utf8)) {
    errorMessage_ = qvbStringFormat("Unknown code page %d", page);
    return false;
  }
  encoding_.binaryLittleEndian = decoding_.binaryLittleEndian = options.getBinaryLittleEndian();
  encoding_.comp5LittleEndian = decoding_.comp5LittleEndian = options.getComp5LittleEndian();
  encoding_.overpunch = options.getOverpunchSigns();
  encoding_.binaryFullRange = options.getBinaryFullRange();
  decoding_.zeroBytes = options.getZeroBytes();
  int longest = 0;
  for (const auto& builder : builders_) longest = std::max(longest, builder->maxLength());
  OutputFramerSettings settings;
  settings.format = options.getRecordFormat();
  settings.recordLength = options.getRecordLength() > 0 ? options.getRecordLength() : longest;
  if (settings.format == CCB_RECORD_FIXED && settings.recordLength == 0) {
    errorMessage_ = QvbString("Fixed-length records need a length: the layouts hold no bytes");
    return false;
  }
  settings.littleEndian = options.getRdwLittleEndian();
  settings.excludesHeader = options.getRdwExcludesHeader();
  settings.blockExcludesHeader = options.getBdwExcludesHeader();
  settings.blockSize = options.getBlockSize();
  settings.varseqFormat = options.getVarseqFormat();
  settings.padByte = encoding_.text.blank();
  framer_.reset(settings, &target_);
  record_.assign(static_cast<size_t>(longest) + 1, 0);
  options_ = options;
  given_ = written_ = badRecords_ = 0;
  hasBad_ = false;
  return true;
}

template <typename Open>
bool CCBRecordWriterImpl::openOutput(const CCBReadOptions& options, Open open) {
  target_.abandon();
  state_ = CLOSED;
  if (!setOptions(options)) return false;
  std::string error;
  if (!open(&error)) {
    errorMessage_ = QvbString(error.c_str());
    return false;
  }
  state_ = WRITING;
  return true;
}

bool CCBRecordWriterImpl::openFile(const QvbString& fileName, const CCBReadOptions& options) {
  return openOutput(options,
                    [&](std::string* error) { return target_.openFile(text(fileName), error); });
}

bool CCBRecordWriterImpl::openDescriptor(int descriptor, const CCBReadOptions& options) {
  return openOutput(options,
                    [&](std::string* error) { return target_.openDescriptor(descriptor, error); });
}

bool CCBRecordWriterImpl::openMemory(unsigned char* buffer, size_t length,
                                     const CCBReadOptions& options) {
  return openOutput(options, [&](std::string*) {
    target_.openMemory(buffer, length);
    return true;
  });
}

bool CCBRecordWriterImpl::prepareEncoding(const CCBReadOptions& options) {
  target_.abandon();
  state_ = CLOSED;
  if (!setOptions(options)) return false;
  state_ = ENCODING;
  return true;
}

// The records written before a stop are put in place, as reading does; an output that
// failed is abandoned.
bool CCBRecordWriterImpl::close() {
  const State state = state_;
  state_ = CLOSED;
  if (state != WRITING && state != STOPPED) {
    if (state == ENCODING) return true;
    errorMessage_ = QvbString("No output is open");
    return false;
  }
  std::string error;
  if (!framer_.finish() || !target_.finish(&error)) {
    errorMessage_ = QvbString((error.empty() ? target_.errorMessage() : error).c_str());
    target_.abandon();
    return false;
  }
  return true;
}

// Values -------------------------------------------------------------------------------

bool CCBRecordWriterImpl::setValue(int column, const char* text, int length) {
  if (column < 0 || column >= static_cast<int>(values_.size()) || length < 0) return false;
  CCBValueSlot& slot = values_[static_cast<size_t>(column)];
  slot.kind = CCBValueSlot::TEXT;
  slot.length = length;
  const size_t at = textsUsed_;
  textOffsets_[static_cast<size_t>(column)] = at;
  textsUsed_ += static_cast<size_t>(length);
  if (textsUsed_ > texts_.size()) texts_.resize(std::max(textsUsed_, 2 * texts_.size()));
  if (length > 0) std::memcpy(&texts_[at], text, static_cast<size_t>(length));
  return true;
}

bool CCBRecordWriterImpl::setValueByName(const QvbString& name, const char* text, int length) {
  return setValue(findColumn(name), text, length);
}

void CCBRecordWriterImpl::setNull(int column) {
  if (column >= 0 && column < static_cast<int>(values_.size())) {
    values_[static_cast<size_t>(column)].kind = CCBValueSlot::NONE;
  }
}

void CCBRecordWriterImpl::clearValues() {
  for (CCBValueSlot& slot : values_) slot.kind = CCBValueSlot::NONE;
  textsUsed_ = 0;
}

// Points the text slots at their texts, which stay where they are until the values
// are cleared.
void CCBRecordWriterImpl::resolveTexts() {
  for (size_t c = 0; c < values_.size(); ++c) {
    if (values_[c].kind == CCBValueSlot::TEXT) values_[c].text = texts_.data() + textOffsets_[c];
  }
}

// Builds the record of the values into record_; false with fault_ set.
bool CCBRecordWriterImpl::buildRecord(int* length) {
  if (state_ != WRITING && state_ != ENCODING) {
    fault_.column = -1;
    fault_.reason = state_ == STOPPED ? "Writing has stopped" : "No output is open";
    return false;
  }
  int valued = 0;
  if (!builders_[static_cast<size_t>(active_)]->build(values_.data(), encoding_, decoding_,
                                                      record_.data(), length, &valued, &fault_)) {
    return false;
  }
  const CCBRecordFormat format = options_.getRecordFormat();
  if (format != CCB_RECORD_FIXED && format != CCB_RECORD_LAYOUT && format != CCB_RECORD_LINES) {
    *length = valued;  // records behind descriptor words end with their last value
  }
  if (*length > 0) return true;
  fault_.column = -1;
  fault_.reason = "Record of zero length: none of its fields holds a value";
  return false;
}

bool CCBRecordWriterImpl::writeRecord(bool& failed) {
  failed = false;
  if (state_ != WRITING) {
    errorMessage_ = QvbString(state_ == STOPPED ? "Writing has stopped" : "No output is open");
    failed = true;
    return false;
  }
  resolveTexts();
  ++given_;
  int length = 0;
  const bool built = buildRecord(&length);
  const bool written =
      built ? writeBuilt(length, failed) : passOver(fault_.column, fault_.reason, failed);
  clearValues();
  return written;
}

// Frames and writes a record; a record the format cannot frame is a bad record.
bool CCBRecordWriterImpl::writeBuilt(int length, bool& failed) {
  const unsigned char* bytes = record_.data();
  std::string reason;
  if (!framer_.fits(bytes, length, &reason)) return passOver(-1, reason, failed);
  if (!framer_.write(bytes, length)) {
    errorMessage_ = QvbString(target_.errorMessage().c_str());
    state_ = STOPPED;
    failed = true;
    return false;
  }
  ++written_;
  return true;
}

bool CCBRecordWriterImpl::encodeRecord(const unsigned char*& bytes, int& length) {
  resolveTexts();
  if (!buildRecord(&length)) {
    noteBad(fault_.column, fault_.reason);
    return false;
  }
  bytes = record_.data();
  return true;
}

bool CCBRecordWriterImpl::writeRecordBytes(const unsigned char* bytes, int length, bool& failed) {
  failed = false;
  if (state_ != WRITING || length < 0) {
    errorMessage_ = QvbString(state_ == STOPPED ? "Writing has stopped" : "No output is open");
    failed = true;
    return false;
  }
  ++given_;
  std::string reason;
  if (!framer_.fits(bytes, length, &reason)) return passOver(-1, reason, failed);
  if (!framer_.write(bytes, length)) {
    errorMessage_ = QvbString(target_.errorMessage().c_str());
    state_ = STOPPED;
    failed = true;
    return false;
  }
  ++written_;
  return true;
}

bool CCBRecordWriterImpl::identifierMatches(bool& matches) {
  matches = false;
  if (!idSet_) {
    errorMessage_ = QvbString("No identifier field is set");
    return false;
  }
  const unsigned char* bytes = nullptr;
  int length = 0;
  if (!encodeRecord(bytes, length)) return false;
  QvbString id;
  matches = CCBRecordBuilder::readIdentifier(&idField_, idOffset_, bytes, length, decoding_, &id) &&
            activeRoot()->matchesRecordId(id);
  return true;
}

// The text of a value as given, for messages.
std::string CCBRecordWriterImpl::valueText(int column) const {
  if (column < 0 || column >= static_cast<int>(values_.size())) return std::string();
  const CCBValueSlot& slot = values_[static_cast<size_t>(column)];
  char number[NUMBER_TEXT_ROOM];
  std::to_chars_result result{number, std::errc()};
  switch (slot.kind) {
    case CCBValueSlot::TEXT:
      return std::string(slot.text, static_cast<size_t>(slot.length));
    case CCBValueSlot::INTEGER:
      result = std::to_chars(number, number + sizeof number, slot.integer);
      break;
    case CCBValueSlot::UNSIGNED:
      result = std::to_chars(number, number + sizeof number, slot.unsignedValue);
      break;
    case CCBValueSlot::REAL:
      result = std::to_chars(number, number + sizeof number, slot.real);
      break;
    default:
      return std::string();
  }
  return std::string(number, result.ptr);
}

void CCBRecordWriterImpl::noteBad(int column, const std::string& reason) {
  hasBad_ = true;
  badRecord_ = given_;
  badColumn_ = column;
  badValue_ = valueText(column);
  badReason_ = reason;
  if (column < 0) {
    errorMessage_ = QvbString(reason.c_str());
    return;
  }
  QvbString name;
  int type = 0;
  int outputLength = 0;
  getOutputInfo(column, name, type, outputLength);
  const std::string message = "Column " + text(name) + ", value '" + badValue_ + "': " + reason;
  errorMessage_ = QvbString(message.c_str());
}

// A bad record: writing stops at it, unless the options allow passing over more.
bool CCBRecordWriterImpl::passOver(int column, const std::string& reason, bool& failed) {
  noteBad(column, reason);
  const int64_t allowed = options_.getMaxErrors();
  if (allowed >= 0 && badRecords_ >= allowed) {
    state_ = STOPPED;
    failed = true;
    return false;
  }
  ++badRecords_;
  if (callback_ != nullptr) {
    QvbString name;
    int type = 0;
    int length = 0;
    if (column >= 0) getOutputInfo(column, name, type, length);
    callback_->badValue(badRecord_, column, name, QvbString(badValue_.c_str()),
                        QvbString(badReason_.c_str()));
  }
  return false;
}

bool CCBRecordWriterImpl::getBadValue(int64_t& record, int& column, QvbString& value,
                                      QvbString& reason) {
  if (!hasBad_) return false;
  record = badRecord_;
  column = badColumn_;
  value = QvbString(badValue_.c_str());
  reason = QvbString(badReason_.c_str());
  return true;
}

bool CCBRecordWriterImpl::walkLayout(CCBRecordVisitor* visitor) {
  const CCBDataRoot* root = activeRoot();
  if (visitor == nullptr || root == nullptr) {
    errorMessage_ = QvbString("A walk needs a visitor and an active layout");
    return false;
  }
  try {
    CCBRecordWalk(root).walkLayout(visitor);
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    return false;
  }
  return true;
}

// The column-batch side -----------------------------------------------------------------

bool CCBRecordWriterImpl::setBatch(int column, CCBValueSlot::Kind kind, const void* values,
                                   const int64_t* offsets, const unsigned char* validity) {
  if (column < 0 || column >= static_cast<int>(batch_.size()) || values == nullptr) return false;
  batch_[static_cast<size_t>(column)] = BatchColumn{kind, values, offsets, validity};
  return true;
}

bool CCBRecordWriterImpl::setBatchIntegers(int column, const int64_t* values,
                                           const unsigned char* validity) {
  return setBatch(column, CCBValueSlot::INTEGER, values, nullptr, validity);
}

bool CCBRecordWriterImpl::setBatchUnsigned(int column, const uint64_t* values,
                                           const unsigned char* validity) {
  return setBatch(column, CCBValueSlot::UNSIGNED, values, nullptr, validity);
}

bool CCBRecordWriterImpl::setBatchReals(int column, const double* values,
                                        const unsigned char* validity) {
  return setBatch(column, CCBValueSlot::REAL, values, nullptr, validity);
}

bool CCBRecordWriterImpl::setBatchTexts(int column, const char* bytes, const int64_t* offsets,
                                        const unsigned char* validity) {
  if (offsets == nullptr) return false;
  return setBatch(column, CCBValueSlot::TEXT, bytes, offsets, validity);
}

// Sets the slots of the batch's columns from their arrays' values of one record.
void CCBRecordWriterImpl::loadBatchRecord(int64_t record) {
  const size_t i = static_cast<size_t>(record);
  for (size_t c = 0; c < batch_.size(); ++c) {
    const BatchColumn& column = batch_[c];
    if (column.kind == CCBValueSlot::NONE) continue;
    CCBValueSlot& slot = values_[c];
    if (column.validity != nullptr && column.validity[i] == 0) {
      slot.kind = CCBValueSlot::NONE;
      continue;
    }
    slot.kind = column.kind;
    switch (column.kind) {
      case CCBValueSlot::INTEGER:
        slot.integer = static_cast<const int64_t*>(column.values)[i];
        break;
      case CCBValueSlot::UNSIGNED:
        slot.unsignedValue = static_cast<const uint64_t*>(column.values)[i];
        break;
      case CCBValueSlot::REAL:
        slot.real = static_cast<const double*>(column.values)[i];
        break;
      default:
        slot.text = static_cast<const char*>(column.values) + column.offsets[i];
        slot.length = static_cast<int>(column.offsets[i + 1] - column.offsets[i]);
        break;
    }
  }
}

int64_t CCBRecordWriterImpl::writeBatch(int64_t count, bool& failed) {
  failed = false;
  int64_t written = 0;
  if (state_ != WRITING) {
    errorMessage_ = QvbString(state_ == STOPPED ? "Writing has stopped" : "No output is open");
    failed = true;
  }
  resolveTexts();
  for (int64_t r = 0; r < count && !failed; ++r) {
    loadBatchRecord(r);
    ++given_;
    int length = 0;
    const bool built = buildRecord(&length);
    if (built ? writeBuilt(length, failed) : passOver(fault_.column, fault_.reason, failed)) {
      ++written;
    }
  }
  batch_.assign(batch_.size(), BatchColumn());
  clearValues();
  return written;
}
