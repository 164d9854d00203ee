#pragma once
// The exception class of every failure the data-access library itself reports.
#include "class_library/Exceptions.h"

class EXbError : public Exception {
public:
  using Exception::Exception;
};
