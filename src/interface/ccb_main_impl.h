// CCBMainImpl is the layout service behind CCBMain and CCBLayoutService: it owns at
// most one layout tree, the text of its last failure and the options of its loads,
// and runs each load and save on a CCBLayoutLoader of its own. The map of the
// layout's columns is made when first asked for and kept until the next load.
#ifndef LYRA_INTERFACE_CCB_MAIN_IMPL_H_
#define LYRA_INTERFACE_CCB_MAIN_IMPL_H_

#include "layout/ccb_data_root.h"
#include "layout/ccb_layout_map.h"
#include "lyra/ccb_layout_service.h"

class CCBLayoutLoader;

class CCBMainImpl final : public CCBLayoutService {
 public:
  // extended: a CCBLayoutService, whose loads follow its layout options; else a
  // CCBMain, whose loads follow the classic rules.
  explicit CCBMainImpl(bool extended) : extended_(extended) {}
  ~CCBMainImpl() override;  // destroys a tree still held
  CCBMainImpl(const CCBMainImpl&) = delete;
  CCBMainImpl& operator=(const CCBMainImpl&) = delete;

  QvbString getErrorMessage() override { return errorMessage_; }
  void release() override;
  bool loadCopybook(const QvbString& fileName) override;
  bool loadLayoutFile(const QvbString& fileName) override;
  bool loadLayoutXml(const QvbString& xml) override;
  bool saveLayoutFile(const QvbString& fileName) override;
  bool saveLayoutXml(QvbString& xml) override;
  CCBDefNode* getRoot() override { return root_; }
  int getOutputCount() override;
  void getOutputInfo(int index, QvbString& name, int& type, int& length) override;
  void setLayoutOptions(const CCBLayoutOptions& options) override { layoutOptions_ = options; }
  CCBLayoutOptions getLayoutOptions() override { return layoutOptions_; }
  int getRecordLength() override;
  bool getColumnLayout(int index, int64_t& offset, int& storageLength, CCBColumnUsage& usage,
                       bool& variable) override;
  int getLayoutFileCount() override;
  QvbString getLayoutFile(int index) override;

 private:
  // The load sequence: the old tree is destroyed before anything is read.
  template <typename Step>
  bool load(Step step);
  template <typename Step>
  bool save(Step step);
  const CCBLayoutMap* layoutMap();  // null without a layout or memory for its map

  QvbString errorMessage_;
  CCBDataRoot* root_ = nullptr;  // owned
  const bool extended_;
  CCBLayoutOptions layoutOptions_;
  CCBLayoutMap map_;
  bool mapped_ = false;  // map_ is the current layout's
};

#endif  // LYRA_INTERFACE_CCB_MAIN_IMPL_H_
