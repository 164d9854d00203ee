#pragma once
// The root of the class hierarchy and the basic event type.
#include <functional>

#include "class_library/core/Types.h"

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The class name as the text form resources and class registries use it ("TXbTable").
  virtual String ClassName() const { return "TObject"; }
};

// An event handler: called with the object that fires the event.
using TNotifyEvent = std::function<void(TObject* Sender)>;
