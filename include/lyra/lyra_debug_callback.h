// LYRADebugCallback receives the library's progress messages: copybook parsing
// steps, repetition counts and one line per decoded field. The host owns the
// callback and keeps it alive while the library may use it; the library holds it
// by a plain pointer, never deletes it, and calls it only from the thread that is
// using the object the callback was given to.
#ifndef LYRA_LYRA_DEBUG_CALLBACK_H_
#define LYRA_LYRA_DEBUG_CALLBACK_H_

#include "lyra/qvb_string.h"

class LYRADebugCallback {
 public:
  // One finished message, without a trailing newline.
  virtual void debugMessage(const QvbString& message) = 0;

 protected:
  ~LYRADebugCallback() = default;  // never deleted through this interface
};

#endif  // LYRA_LYRA_DEBUG_CALLBACK_H_
