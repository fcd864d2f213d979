// CCBLayoutService is the layout service extended for copybooks as real files
// carry them: it is a CCBMain that loads with the options of CCBLayoutOptions
// (floating-point items, UTF-16 national items, the dialects copybooks are written
// in). Everything a CCBMain does it does the same way; with the options at their
// defaults it reads the copybooks a CCBMain reads into the same layouts (save
// binary pictures of more than 18 digits, which it refuses), and tolerates what the
// classic rules refuse: COPY statements, listing and directive lines, "*>" comments,
// COMP-0.
//
// createCCBLayoutService() returns a new service owned by the host until it calls
// release(); never delete it. One thread uses a service at a time.
#ifndef LYRA_CCB_LAYOUT_SERVICE_H_
#define LYRA_CCB_LAYOUT_SERVICE_H_

#include "lyra/ccb_layout_options.h"
#include "lyra/ccb_main.h"
#include "lyra/export.h"

class LYRA_API CCBLayoutService : public CCBMain {
 public:
  // The options of the loads that follow; a layout already loaded keeps the
  // options it was loaded with.
  virtual void setLayoutOptions(const CCBLayoutOptions& options) = 0;
  virtual CCBLayoutOptions getLayoutOptions() = 0;
};

extern "C" LYRA_API CCBLayoutService* createCCBLayoutService();

#endif  // LYRA_CCB_LAYOUT_SERVICE_H_
