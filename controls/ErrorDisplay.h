// The application's standard error display. Qt lets no exception cross its
// event loop, so every event handler that can fail runs through Guarded:
// an error that leaves the handler ends it, its message is shown in an
// error box and the program goes on.
#pragma once

#include <exception>
#include <string>

namespace controls {

// Title of the error box.
inline constexpr const char* kErrorTitle = "Błąd";

// Shows the message of the exception now being handled.
void ShowException(std::exception_ptr error);

template <class F>
void Guarded(F&& handler) {
  try {
    handler();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

}  // namespace controls
