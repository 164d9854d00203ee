#include "class_library/Exceptions.h"

#include <string>

namespace {

String AssertionText(const String& message, const String& unit, int line) {
  String text = message.empty() ? String("Assertion failure") : message;
  return text + " (" + unit + ", line " + std::to_string(line) + ")";
}

}  // namespace

EAssertionFailed::EAssertionFailed(const String& message, const String& unit, int line)
    : Exception(AssertionText(message, unit, line)), unit_(unit), line_(line) {}

void Abort() { throw EAbort(); }

void Assert(bool cond, const String& unit, int line, const String& message) {
  if (!cond) throw EAssertionFailed(message, unit, line);
}
