#include "platform/failure_report.h"

namespace platform {

HandOff ReportFailure(Desktop& desktop, const Failure& failure, std::u16string_view notInstalledText) {
  if (failure.number == kCannotCreateObject) {
    desktop.ShowMessage(notInstalledText, kMessageCritical);
    return HandOff::ClientNotInstalled;
  }
  desktop.ShowMessage(GeneralErrorText(failure), kMessageCritical);
  return HandOff::Failed;
}

}  // namespace platform
