#include "interface/ccb_reader_impl.h"

#include <climits>
#include <new>

#include "interface/ccb_layout_loader.h"
#include "layout/ccb_output_value.h"
#include "parse/parse_copybook.h"

CCBReader::CCBReader() = default;
CCBReader::CCBReader(const CCBReader&) = default;
CCBReader& CCBReader::operator=(const CCBReader&) = default;
CCBReader::~CCBReader() = default;

CCBReader* createCCBReader() {
  return new (std::nothrow) CCBReaderImpl(false);
}

CCBRecordReader* createCCBRecordReader() {
  return new (std::nothrow) CCBReaderImpl(true);
}

CCBReaderImpl::CCBReaderImpl(bool extended) : extended_(extended) {}

CCBReaderImpl::~CCBReaderImpl() {
  destroyLayouts();
}

void CCBReaderImpl::release() {
  clearCopybooks();
  if (dataFile_ != nullptr) dataFile_->close();
  dataFile_.reset();
  delete this;
}

void CCBReaderImpl::clearCopybooks() {
  destroyLayouts();
}

void CCBReaderImpl::destroyLayouts() {
  segments_.clear();
  segmentArea_ = nullptr;
  shapes_.clear();
  clearChildLayouts();
  for (CCBDataRoot* root : layouts_) delete root;
  layouts_.clear();
  activate(-1);
}

void CCBReaderImpl::activate(int index) {
  activeLayout_ = index;
  const CCBDataRoot* root = activeRoot();
  activeColumns_ = root != nullptr ? root->getOutputArray() : nullptr;
  activeMapped_ = false;
}

template <typename Step>
bool CCBReaderImpl::addLayout(Step step, const QvbString& recordId, bool makeActive) {
  CCBLayoutLoader loader;
  if (extended_) loader.setLayoutOptions(layoutOptions_);
  CCBDataRoot* root = nullptr;
  try {
    root = step(loader);
    if (root != nullptr) layouts_.push_back(root);
  } catch (const std::bad_alloc&) {
    delete root;
    errorMessage_ = QvbString("Out of memory while loading the layout");
    return false;
  }
  if (root == nullptr) {
    errorMessage_ = loader.getErrorMessage();
    return false;
  }
  root->setRecordId(recordId);
  if (makeActive) activate(getCopybookCount() - 1);
  // A layout added while reading takes part at once.
  return state_ != READING || attachLayout(root);
}

bool CCBReaderImpl::addCopybook(const QvbString& fileName, QvbString recordId, bool makeActive) {
  return addLayout(
      [&](CCBLayoutLoader& loader) {
        loader.setDebugCallback(debugCallback_);
        return loader.readCopybook(fileName);
      },
      recordId, makeActive);
}

bool CCBReaderImpl::addCopybookText(const char* data, size_t size, QvbString recordId,
                                    bool makeActive) {
  return addLayout(
      [&](CCBLayoutLoader& loader) {
        loader.setDebugCallback(debugCallback_);
        return loader.readCopybookText(data, size);
      },
      recordId, makeActive);
}

bool CCBReaderImpl::addLayoutFile(const QvbString& fileName, QvbString recordId, bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readLayoutFile(fileName); },
                   recordId, makeActive);
}

bool CCBReaderImpl::addLayoutXml(const QvbString& xml, QvbString recordId, bool makeActive) {
  return addLayout([&](CCBLayoutLoader& loader) { return loader.readLayoutXml(xml); }, recordId,
                   makeActive);
}

bool CCBReaderImpl::openDataFile(const QvbString& fileName, int startPosition, bool fixedLength,
                                 bool noConvert, int recordLength) {
  recordLength_ = 0;
  state_ = NOT_OPEN;
  if (layouts_.empty()) {
    errorMessage_ = QvbString("One or more Copybook Files required for reading data");
    return false;
  }
  if (startPosition < 0) {
    errorMessage_ =
        qvbStringFormat("Invalid start position %d: it must not be negative", startPosition);
    return false;
  }
  if (fixedLength && recordLength < 0) {
    errorMessage_ =
        qvbStringFormat("Invalid record length %d: it must not be negative", recordLength);
    return false;
  }
  const CCBDecoding decoding = classicDecoding(noConvert);
  // The classic reader reads every file as it stands, compressed or not.
  if (!prepareDataFile(longestLayoutLength()) ||
      !dataFile_->open(fileName, decoding.codec.blank(), false) ||
      !dataFile_->skip(startPosition, &position_)) {
    errorMessage_ = dataFile_ != nullptr ? dataFile_->getErrorMessage() : errorMessage_;
    if (dataFile_ != nullptr) dataFile_->close();
    return false;
  }
  decoding_ = decoding;
  fixedLength_ = fixedLength;
  if (fixedLength) recordLength_ = recordLength != 0 ? recordLength : longestLayoutLength();
  return attachLayouts();
}

// A new data file whose window suits records of recordLength bytes.
bool CCBReaderImpl::prepareDataFile(int recordLength) {
  framed_ = false;
  if (dataFile_ != nullptr) dataFile_->close();
  try {
    dataFile_.reset(new CCBDataFile(recordLength, READER_WINDOW_CAPACITY));
  } catch (const std::bad_alloc&) {
    dataFile_.reset();
    errorMessage_ = QvbString("Buffer Allocation failed");
    return false;
  }
  return true;
}

// Points every layout and the identifier field at the data file just opened; false,
// with the file closed, when their text buffers cannot grow to the decoding's text.
bool CCBReaderImpl::attachLayouts() {
  for (CCBDataRoot* root : layouts_) {
    if (!attachLayout(root)) {
      dataFile_->close();
      return false;
    }
  }
  idField_.setDataSource(dataFile_.get(), &decoding_);
  if (!idField_.reserveText(decoding_.codec.maxExpansion())) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    dataFile_->close();
    return false;
  }
  state_ = READING;
  return true;
}

bool CCBReaderImpl::attachLayout(CCBDataRoot* root) {
  root->setDataSource(dataFile_.get(), &decoding_);
  root->setDecoding(decoding_);
  root->setDebugCallback(debugCallback_);
  if (root->reserveText(decoding_.codec.maxExpansion())) return true;
  errorMessage_ = QvbString("Buffer Allocation failed");
  return false;
}

bool CCBReaderImpl::setIdentifierField(int offset, const QvbString& clauseText) {
  if (offset < 0) {
    errorMessage_ =
        qvbStringFormat("Invalid identifier offset %d: it must not be negative", offset);
    return false;
  }
  if (offset > MAX_RECORD_LENGTH) {  // no record is longer
    errorMessage_ = qvbStringFormat("Invalid identifier offset %d: it must not exceed %d", offset,
                                    MAX_RECORD_LENGTH);
    return false;
  }
  idOffset_ = offset;
  idField_.setName(QvbString("Copybook_ID_Field"));
  QvbString text("field ");
  text.append(clauseText);
  QvbString picture;
  QvbString usage;
  int signFlags = 0;
  if (!parseClauseText(text, picture, usage, signFlags)) {
    errorMessage_ = QvbString("ID pic statement parse failed");
    return false;
  }
  if (!idField_.setIdFormat(picture, usage, signFlags)) {
    errorMessage_ = idField_.getErrorMessage();
    return false;
  }
  if (state_ == READING) idField_.setDataSource(dataFile_.get(), &decoding_);
  return true;
}

// chooseLayout where the record's identifier decides. With segments, it also
// chooses the segment.
int CCBReaderImpl::chooseByRecordId(int start) {
  if (!segments_.empty() && idField_.format() == nullptr) {
    errorMessage_ = QvbString("Segments need an identifier field: set it first");
    return -1;
  }
  QvbString id;
  if (!readRecordId(start, &id)) return -1;
  if (!segments_.empty()) return chooseSegment(id) ? 0 : -1;
  for (size_t i = 0; i < layouts_.size(); ++i) {
    if (layouts_[i]->matchesRecordId(id)) return static_cast<int>(i);
  }
  errorMessage_ = qvbStringFormat("Copybook not found for this record: %s", id.asCstr());
  unknownId_ = id;
  return UNKNOWN_LAYOUT;
}

// The identifier of the record at start, trimmed.
bool CCBReaderImpl::readRecordId(int start, QvbString* id) {
  int end = 0;
  if (!idField_.walkRecord(-1, start + idOffset_, &end)) {
    errorMessage_ = idField_.getErrorMessage();
    return false;
  }
  *id = idField_.value().asString();
  id->trim(true, true);
  return true;
}

// Lets the walk read the area's item that the identifier names, and skip the others.
bool CCBReaderImpl::chooseSegment(const QvbString& id) {
  const Segment* chosen = nullptr;
  for (const Segment& segment : segments_) {
    if (segment.recordId.compare(id, false) == 0) chosen = &segment;
  }
  if (chosen == nullptr) {
    errorMessage_ = qvbStringFormat("No segment for this record: %s", id.asCstr());
    return false;
  }
  for (CCBData* item = segmentArea_; item != nullptr; item = item->getNextSibling()) {
    if (item == segmentArea_ || item->getRedefines() == segmentArea_) {
      item->setSkipped(item != chosen->item);
    }
  }
  return true;
}

namespace {

// Whether a later sibling redefines the item.
bool isRedefined(const CCBData* item) {
  for (const CCBData* other = item->getNextSibling(); other != nullptr;
       other = other->getNextSibling()) {
    if (other->getRedefines() == item) return true;
  }
  return false;
}

}  // namespace

bool CCBReaderImpl::addSegment(const QvbString& name, const QvbString& recordId) {
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
  if (!isRedefined(area)) {
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
  layouts_[0]->setShapeVaries(true);  // the identifier chooses the segment per record
  return true;
}

void CCBReaderImpl::clearSegments() {
  for (CCBData* item = segmentArea_; item != nullptr; item = item->getNextSibling()) {
    item->setSkipped(false);
  }
  for (CCBDataRoot* root : layouts_) root->setShapeVaries(false);
  segments_.clear();
  segmentArea_ = nullptr;
}

// Reads the record at the current position: decodes it when its layout is the
// active one (or when only its walk can find where it ends), steps over the rest of
// a fixed-length record, and moves to the next record.
bool CCBReaderImpl::readRecord(bool& isActive) {
  const int start = position_;
  const int layout = chooseLayout(start);
  recordLayout_ = layout;
  isActive = layout >= 0 && layout == activeLayout_;
  if (layout < 0 && (!fixedLength_ || recordLength_ == 0)) return false;
  if (!fixedLength_ || isActive) {
    CCBDataRoot* root = layouts_[static_cast<size_t>(layout)];
    root->clearColumnValues();
    if (!root->readRecord(start, &position_)) {
      errorMessage_ = root->getErrorMessage();
      return false;
    }
  }
  if (fixedLength_) {
    const int used = position_ - start;
    if (used > recordLength_) {
      errorMessage_ =
          qvbStringFormat("Record layout reads %d bytes, more than the fixed record length of %d",
                          used, recordLength_);
      return false;
    }
    if (!dataFile_->read(position_, recordLength_ - used, nullptr, &position_)) {
      errorMessage_ = dataFile_->getErrorMessage();
      return false;
    }
  }
  if (position_ == start) {
    errorMessage_ = QvbString("Record reads no bytes from the data file: its layout is empty");
    return false;
  }
  return true;
}

bool CCBReaderImpl::readNextRecord(bool& failed) {
  failed = false;
  ++reads_;
  if (state_ == NOT_OPEN) {
    errorMessage_ = QvbString("No data file is open: call openDataFile before reading records");
    failed = true;
    return false;
  }
  try {
    if (framed_ ? readFramed() : readUnframed()) return true;
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    state_ = FAILED;
  }
  if (state_ == FAILED) return fail(failed);
  if (state_ == ENDED && dataFile_ != nullptr) dataFile_->close();
  return false;
}

// Reads records as openDataFile opened them, up to one of the active layout; false
// when reading ended or failed.
bool CCBReaderImpl::readUnframed() {
  while (state_ == READING) {
    bool isActive = false;
    if (!readRecord(isActive)) {
      state_ = FAILED;
      return false;
    }
    if (!dataFile_->nextRecord(position_)) state_ = ENDED;
    if (isActive) return true;
  }
  return false;
}

bool CCBReaderImpl::fail(bool& failed) {
  dataFile_->close();
  state_ = FAILED;
  failed = true;
  return false;
}

CCBDataRoot* CCBReaderImpl::activeRoot() const {
  if (activeLayout_ < 0 || activeLayout_ >= static_cast<int>(layouts_.size())) return nullptr;
  return layouts_[static_cast<size_t>(activeLayout_)];
}

int CCBReaderImpl::getOutputCount() {
  const CCBDataRoot* root = activeRoot();
  return root != nullptr ? root->getColumnCount() : 0;
}

void CCBReaderImpl::getOutputInfo(int index, QvbString& name, int& type, int& length) {
  const CCBDataRoot* root = activeRoot();
  const CCBOutputEntry* column = root != nullptr ? root->getColumn(index) : nullptr;
  if (column == nullptr) return;
  name = column->getName();
  type = column->getOutputType();
  length = column->getOutputLength();
}

// Asked for every column of every record: reads the output array that the layout's
// fields decode into straight from the root's node link.
QvbDatavar CCBReaderImpl::getOutputValue(int index) {
  if (activeColumns_ == nullptr || !activeColumns_->hasColumn(index)) return QvbDatavar();
  return activeColumns_->column(index).getValue();
}

bool CCBReaderImpl::getOutputBytes(int index, const char*& bytes, int& length) {
  return activeColumns_ != nullptr && activeColumns_->hasColumn(index) &&
         activeColumns_->column(index).wholeText(&bytes, &length);
}

int64_t CCBReaderImpl::getDataFileSize() {
  return dataFile_ != nullptr ? dataFile_->getFileSize() : 0;
}

// The classic reader counts the items that are no redefinitions; the extended one
// the furthest byte, since its walk reads a redefining item longer than what it
// redefines. Should memory for the map run out, the classic length is the estimate.
int CCBReaderImpl::getRecordLength(int layoutIndex) {
  if (layoutIndex < 0 || layoutIndex >= getCopybookCount()) return 0;
  const CCBDataRoot* root = layouts_[static_cast<size_t>(layoutIndex)];
  CCBLayoutMap map;
  if (!extended_ || !map.build(root, false)) return root->getMaxLength();
  return map.getRecordLength() > INT_MAX ? INT_MAX : static_cast<int>(map.getRecordLength());
}

int CCBReaderImpl::getMaxRecordLength() {
  return fixedLength_ && recordLength_ != 0 ? recordLength_ : longestLayoutLength();
}

int CCBReaderImpl::longestLayoutLength() {
  int longest = 0;
  for (int i = 0; i < getCopybookCount(); ++i) {
    const int length = getRecordLength(i);
    if (length > longest) longest = length;
  }
  return longest;
}

int CCBReaderImpl::getNodeCount() {
  const CCBDataRoot* root = activeRoot();
  return root != nullptr ? root->getNodeEntryCount() : 0;
}

void CCBReaderImpl::getNodeInfo(int index, int& entryId, int& parentEntryId, bool& isField,
                                QvbString& name, int& type, int& length) {
  const CCBDataRoot* root = activeRoot();
  if (root == nullptr) return;
  const CCBOutputEntry* entry = root->getNodeEntry(index);
  if (entry == nullptr) {
    entryId = -1;
    return;
  }
  entryId = entry->getEntryId();
  parentEntryId = entry->getParentEntryId();
  isField = entry->isField();
  name = entry->getName();
  type = entry->getOutputType();
  length = entry->getOutputLength();
}

bool CCBReaderImpl::getColumnLayout(int index, int64_t& offset, int& storageLength,
                                    CCBColumnUsage& usage, bool& variable) {
  const CCBDataRoot* root = activeRoot();
  if (root == nullptr) return false;
  if (!activeMapped_ && !(activeMapped_ = activeMap_.build(root, true))) {
    errorMessage_ = QvbString("Out of memory while mapping the layout's columns");
    return false;
  }
  return activeMap_.describeColumn(index, offset, storageLength, usage, variable);
}

int CCBReaderImpl::getLayoutFileCount(int layoutIndex) {
  if (layoutIndex < 0 || layoutIndex >= getCopybookCount()) return 0;
  return layouts_[static_cast<size_t>(layoutIndex)]->getInputFileCount();
}

QvbString CCBReaderImpl::getLayoutFile(int layoutIndex, int index) {
  const bool known = layoutIndex >= 0 && layoutIndex < getCopybookCount();
  const CCBDataRoot* root = known ? layouts_[static_cast<size_t>(layoutIndex)] : nullptr;
  return root != nullptr ? root->getInputFile(index) : QvbString(nullptr);
}

bool CCBReaderImpl::getFirstUnknownRecord(int64_t& number, int64_t& offset, QvbString& identifier) {
  if (unknownRecords_ == 0) return false;
  number = firstUnknownNumber_;
  offset = firstUnknownOffset_;
  identifier = firstUnknownId_;
  return true;
}

bool CCBReaderImpl::setActiveLayout(int index) {
  if (index < 0 || index >= getCopybookCount()) {
    errorMessage_ = qvbStringFormat("Layout index %d is out of range: the reader has %d layouts",
                                    index, getCopybookCount());
    return false;
  }
  if (index != activeLayout_) activate(index);
  return true;
}

CCBReaderImpl::LayoutShape* CCBReaderImpl::activeShape() {
  const CCBDataRoot* root = activeRoot();
  if (root == nullptr) return nullptr;
  if (shapes_.size() < layouts_.size()) shapes_.resize(layouts_.size());
  LayoutShape& shape = shapes_[static_cast<size_t>(activeLayout_)];
  if (shape.walk == nullptr) {
    shape.walk.reset(new CCBRecordWalk(root));
    const CCBOutputArray* array = root->getOutputArray();
    shape.types.resize(static_cast<size_t>(array->getColumnCount()));
    for (int i = 0; i < array->getColumnCount(); ++i) {
      shape.types[static_cast<size_t>(i)] = columnTypeOf(array->column(i));
    }
  }
  return &shape;
}

bool CCBReaderImpl::isFillerColumn(int index) {
  return activeColumns_ != nullptr && activeColumns_->hasColumn(index) &&
         isFillerNode(activeColumns_->column(index).node());
}

bool CCBReaderImpl::getStrippedOutputBytes(int index, const char*& bytes, int& length) {
  if (!getOutputBytes(index, bytes, length)) return false;
  try {
    const LayoutShape* shape = activeShape();
    char* room = stripped_.room(reads_, static_cast<size_t>(strippedMost(length)));
    return stripValue(shape->types[static_cast<size_t>(index)], &bytes, &length, room);
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    return false;
  }
}

bool CCBReaderImpl::walkRecord(CCBRecordVisitor* visitor, bool strip) {
  if (visitor == nullptr || activeColumns_ == nullptr) {
    errorMessage_ = QvbString("A walk needs a visitor and an active layout");
    return false;
  }
  try {
    activeShape()->walk->walk(*activeColumns_, strip, visitor);
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Buffer Allocation failed");
    return false;
  }
  return true;
}

const unsigned char* CCBReaderImpl::getRecordInputBytes(int& length) {
  length = 0;
  if (!framed_ || !recordHeld_ || state_ != READING) return nullptr;
  const int size = frame_.next - frame_.rawStart;
  const unsigned char* bytes = dataFile_->view(frame_.rawStart, size, nullptr);
  if (bytes != nullptr) length = size;
  return bytes;
}

int CCBReaderImpl::layoutById(const QvbString& recordId) const {
  QvbString id = recordId;
  id.trim(true, true);
  for (size_t i = 0; i < layouts_.size(); ++i) {
    if (layouts_[i]->matchesRecordId(id)) return static_cast<int>(i);
  }
  return -1;
}

int CCBReaderImpl::parentLayoutOf(int layout) const {
  return layout >= 0 && static_cast<size_t>(layout) < parentLayouts_.size()
             ? parentLayouts_[static_cast<size_t>(layout)]
             : -1;
}

bool CCBReaderImpl::addChildLayout(const QvbString& parentId, const QvbString& childId) {
  const int parent = layoutById(parentId);
  const int child = layoutById(childId);
  const char* problem = nullptr;
  if (parent < 0 || child < 0) {
    errorMessage_ = qvbStringFormat("No layout has the record identifier %s",
                                    (parent < 0 ? parentId : childId).asCstr());
    return false;
  }
  if (parentLayoutOf(child) >= 0) problem = "already has a parent layout";
  for (int layout = parent; problem == nullptr && layout >= 0; layout = parentLayoutOf(layout)) {
    if (layout == child) problem = "would be its own ancestor";
  }
  if (problem != nullptr) {
    errorMessage_ = qvbStringFormat("Child layout %s %s", childId.asCstr(), problem);
    return false;
  }
  if (parentLayouts_.size() < layouts_.size()) parentLayouts_.resize(layouts_.size(), -1);
  parentLayouts_[static_cast<size_t>(child)] = parent;
  hierarchical_ = true;
  return true;
}

void CCBReaderImpl::clearChildLayouts() {
  parentLayouts_.clear();
  hierarchical_ = false;
}
