#pragma once
// The exception class of every failure the data-access library itself reports.
#include "class_library/core/Exceptions.h"

class EXbError : public Exception {
public:
  using Exception::Exception;
};
