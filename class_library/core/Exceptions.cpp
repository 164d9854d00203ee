#include "class_library/core/Exceptions.h"

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

void ReportCurrentException(const std::function<void(const Exception& E)>& Report) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (const EAbort&) {
    // Silent by design: it only unwinds.
  } catch (const Exception& e) {
    Report(e);
  } catch (const std::exception& e) {
    Report(Exception(e.what()));
  } catch (...) {
    Report(Exception("Unknown exception"));
  }
}

void Assert(bool cond, const String& unit, int line, const String& message) {
  if (!cond) throw EAssertionFailed(message, unit, line);
}
