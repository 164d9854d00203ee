#pragma once
// Readers for property names that older versions of the library stored and
// that no longer exist: the value is read (so that the form loads) and dropped.
//
//   void TMyControl::ReadLegacyProperties(TFiler* Filer) {
//     TCustomControl::ReadLegacyProperties(Filer);
//     Filer->DefineProperty("FrameFlatStyle", TVkOldPropReader::SkipIdentValue);
//   }
#include "class_library/components/FormResource.h"

class TVkOldPropReader {
public:
  static void SkipBooleanValue(TReader& Reader) { (void)Reader.ReadBoolean(); }
  static void SkipIdentValue(TReader& Reader) { (void)Reader.ReadIdent(); }
  // A stored set: its identifiers up to the closing bracket.
  static void SkipSetValue(TReader& Reader) { (void)Reader.ReadSet(); }
};
