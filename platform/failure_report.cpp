#include "platform/failure_report.h"

namespace platform {

HandOff ReportFailure(Desktop& desktop, const Failure& failure, std::u16string_view notInstalledText) {
  if (failure.number == NumberOf(RuntimeError::CannotCreateObject)) {
    desktop.ShowMessage(notInstalledText, MessageStyle::Critical);
    return HandOff::ClientNotInstalled;
  }
  desktop.ShowMessage(GeneralErrorText(failure), MessageStyle::Critical);
  return HandOff::Failed;
}

void ReportUnhandled(Desktop& desktop) noexcept {
  try {
    desktop.ShowMessage(GeneralErrorText(CurrentFailure()), MessageStyle::Critical);
  } catch (...) {
    // No memory left for the text, or no box to be had: nothing to tell it with.
  }
}

}  // namespace platform
