// The standard error box.
#include "controls/ErrorDisplay.h"

#include <new>
#include <stdexcept>

#include "platform/MessageBox.h"

namespace controls {

void ShowException(std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    text = "Brak pamięci";
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Nieznany błąd";
  }
  platform::ShowMessage(text, kErrorTitle, platform::kMbIconError);
}

}  // namespace controls
