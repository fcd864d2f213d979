// CCBMain, the layout service, is the host's handle on one copybook layout: it
// parses a COBOL copybook or loads an XML layout document, saves the layout as XML,
// hands out the layout's root node and lists its output columns.
//
// createCCBMain() returns a new service owned by the host until it calls release();
// never delete it. The service owns its layout tree: the pointer getRoot() returns is
// borrowed and becomes invalid at the next load or at release(). Operations that can
// fail return false and keep a message for getErrorMessage(); the message is replaced
// only by a later failure, never cleared. One thread uses a service at a time;
// separate services may be used on separate threads.
#ifndef LYRA_CCB_MAIN_H_
#define LYRA_CCB_MAIN_H_

#include "lyra/ccb_def_node.h"
#include "lyra/export.h"
#include "lyra/qvb_string.h"

class LYRA_API CCBMain {
 public:
  CCBMain();
  CCBMain(const CCBMain& other);
  CCBMain& operator=(const CCBMain& other);

  virtual QvbString getErrorMessage() = 0;
  // Destroys the layout tree, then the service itself.
  virtual void release() = 0;
  // The loads replace the layout; a failed load leaves the service without one.
  virtual bool loadCopybook(const QvbString& fileName) = 0;
  virtual bool loadLayoutFile(const QvbString& fileName) = 0;
  virtual bool loadLayoutXml(const QvbString& xml) = 0;
  // The saves write the layout as an XML layout document; they fail without one.
  virtual bool saveLayoutFile(const QvbString& fileName) = 0;
  virtual bool saveLayoutXml(QvbString& xml) = 0;
  virtual CCBDefNode* getRoot() = 0;  // null without a layout
  virtual int getOutputCount() = 0;   // number of output columns, 0 without a layout
  // Describes column index (0 <= index < getOutputCount()): its unique name, value type
  // (2 integer, 3 real, 4 string) and text length. Any other index changes nothing.
  virtual void getOutputInfo(int index, QvbString& name, int& type, int& length) = 0;
  virtual ~CCBMain();
};

extern "C" LYRA_API CCBMain* createCCBMain();

#endif  // LYRA_CCB_MAIN_H_
