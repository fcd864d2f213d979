#include "interface/ccb_main_impl.h"

#include <climits>
#include <new>

#include "interface/ccb_layout_loader.h"

CCBMain::CCBMain() = default;
CCBMain::CCBMain(const CCBMain&) = default;
CCBMain& CCBMain::operator=(const CCBMain&) = default;
CCBMain::~CCBMain() = default;

CCBMain* createCCBMain() {
  return new (std::nothrow) CCBMainImpl(false);
}

CCBLayoutService* createCCBLayoutService() {
  return new (std::nothrow) CCBMainImpl(true);
}

CCBMainImpl::~CCBMainImpl() {
  delete root_;
}

void CCBMainImpl::release() {
  delete root_;
  root_ = nullptr;
  delete this;
}

template <typename Step>
bool CCBMainImpl::load(Step step) {
  CCBLayoutLoader loader;
  if (extended_) loader.setLayoutOptions(layoutOptions_);
  delete root_;
  root_ = nullptr;
  mapped_ = false;
  try {
    root_ = step(loader);
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Out of memory while loading the layout");
    return false;
  }
  if (root_ != nullptr) return true;
  errorMessage_ = loader.getErrorMessage();
  return false;
}

bool CCBMainImpl::loadCopybook(const QvbString& fileName) {
  return load([&](CCBLayoutLoader& loader) { return loader.readCopybook(fileName); });
}

bool CCBMainImpl::loadLayoutFile(const QvbString& fileName) {
  return load([&](CCBLayoutLoader& loader) { return loader.readLayoutFile(fileName); });
}

bool CCBMainImpl::loadLayoutXml(const QvbString& xml) {
  return load([&](CCBLayoutLoader& loader) { return loader.readLayoutXml(xml); });
}

template <typename Step>
bool CCBMainImpl::save(Step step) {
  CCBLayoutLoader loader;
  if (root_ == nullptr) {
    errorMessage_ = QvbString("Empty Root node");
    return false;
  }
  try {
    if (step(loader)) return true;
  } catch (const std::bad_alloc&) {
    errorMessage_ = QvbString("Out of memory while saving the layout");
    return false;
  }
  errorMessage_ = loader.getErrorMessage();
  return false;
}

bool CCBMainImpl::saveLayoutFile(const QvbString& fileName) {
  return save([&](CCBLayoutLoader& loader) { return loader.writeLayoutFile(fileName, root_); });
}

bool CCBMainImpl::saveLayoutXml(QvbString& xml) {
  return save([&](CCBLayoutLoader& loader) { return loader.writeLayoutXml(xml, root_); });
}

int CCBMainImpl::getOutputCount() {
  return root_ != nullptr ? root_->getColumnCount() : 0;
}

void CCBMainImpl::getOutputInfo(int index, QvbString& name, int& type, int& length) {
  const CCBOutputEntry* column = root_ != nullptr ? root_->getColumn(index) : nullptr;
  if (column == nullptr) return;
  name = column->getName();
  type = column->getOutputType();
  length = column->getOutputLength();
}

const CCBLayoutMap* CCBMainImpl::layoutMap() {
  if (root_ == nullptr) return nullptr;
  if (!mapped_ && !(mapped_ = map_.build(root_, true))) {
    errorMessage_ = QvbString("Out of memory while mapping the layout's columns");
  }
  return mapped_ ? &map_ : nullptr;
}

int CCBMainImpl::getRecordLength() {
  const CCBLayoutMap* map = layoutMap();
  if (map == nullptr) return 0;
  return map->getRecordLength() > INT_MAX ? INT_MAX : static_cast<int>(map->getRecordLength());
}

bool CCBMainImpl::getColumnLayout(int index, int64_t& offset, int& storageLength,
                                  CCBColumnUsage& usage, bool& variable) {
  const CCBLayoutMap* map = layoutMap();
  return map != nullptr && map->describeColumn(index, offset, storageLength, usage, variable);
}

int CCBMainImpl::getLayoutFileCount() {
  return root_ != nullptr ? root_->getInputFileCount() : 0;
}

QvbString CCBMainImpl::getLayoutFile(int index) {
  return root_ != nullptr ? root_->getInputFile(index) : QvbString(nullptr);
}
