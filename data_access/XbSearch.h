#pragma once
// TXbSearchObject: a resumable search for components of a class among the
// application's data modules, then its forms (and one level into frames lying
// on a form). Tables use it to find their settings component and database
// aliases.
#include <cstdint>

#include "class_library/components/Component.h"

class TXbSearchObject : public TObject {
public:
  String ClassName() const override { return "TXbSearchObject"; }
  TComponent* FindFirst(const String& ClassName);
  TComponent* FindNext(const String& ClassName);

private:
  std::int32_t dataModule_ = 0;
  std::int32_t dataModuleComponent_ = 0;
  std::int32_t form_ = 0;
  std::int32_t formComponent_ = 0;
  std::int32_t frameComponent_ = 0;
};
