#pragma once
// The C boundary. Every xb_ entry point is declared noexcept (xbe61.h), and a
// body that can throw runs inside Guard (or GuardV when it answers nothing):
// any exception, an allocation failure included, becomes the entry point's
// documented failure answer and is reported through Fail. So nothing unwinds
// into a C caller, and no failure reaches std::terminate.
//
//   int xb_Thing(const char* field) noexcept {
//     return Guard(0, [&] { return Work(field); });
//   }
#include <exception>
#include <type_traits>

namespace xbe {

// Reports a failure: kept as the last error and handed to the error callback
// while the error level is above 0. Never throws (a report that cannot be
// stored is dropped).
void Fail(const char* message) noexcept;

template <class R, class Body>
R Guard(R failure, Body&& body) noexcept {
  static_assert(std::is_nothrow_copy_constructible_v<R>, "failure answers are plain values");
  try {
    return body();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unexpected failure");
  }
  return failure;
}

template <class Body>
void GuardV(Body&& body) noexcept {
  try {
    body();
  } catch (const std::exception& e) {
    Fail(e.what());
  } catch (...) {
    Fail("Unexpected failure");
  }
}

}  // namespace xbe
