#include "data_access/XbSearch.h"

TComponent* TXbSearchObject::FindFirst(const String& ClassName) {
  dataModule_ = dataModuleComponent_ = form_ = formComponent_ = frameComponent_ = 0;
  return FindNext(ClassName);
}

TComponent* TXbSearchObject::FindNext(const String& ClassName) {
  if (dataModule_ >= DataModuleCount()) dataModule_ = DataModuleCount();
  while (dataModule_ < DataModuleCount()) {
    TComponent* module = DataModules(dataModule_);
    while (dataModuleComponent_ < module->ComponentCount()) {
      TComponent* c = module->Components(dataModuleComponent_++);
      if (ComponentInheritsFrom(c, ClassName)) return c;
    }
    dataModuleComponent_ = 0;
    ++dataModule_;
  }
  while (form_ < FormCount()) {
    TComponent* form = Forms(form_);
    while (formComponent_ < form->ComponentCount()) {
      TComponent* c = form->Components(formComponent_);
      if (ComponentInheritsFrom(c, ClassName)) {
        ++formComponent_;
        frameComponent_ = 0;
        return c;
      }
      if (ComponentInheritsFrom(c, "TFrame")) {
        // A match inside a frame leaves the form's cursor on the frame, so
        // the next search goes on inside it.
        while (frameComponent_ < c->ComponentCount()) {
          TComponent* inner = c->Components(frameComponent_++);
          if (ComponentInheritsFrom(inner, ClassName)) return inner;
        }
      }
      frameComponent_ = 0;
      ++formComponent_;
    }
    formComponent_ = 0;
    ++form_;
  }
  return nullptr;
}
