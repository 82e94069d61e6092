#include "platform/failure_report.h"

namespace platform {

void ReportFailure(Desktop& desktop, const Failure& failure, std::u16string_view notInstalledText) {
  if (failure.number == kCannotCreateObject) {
    desktop.ShowMessage(notInstalledText, kMessageCritical);
  } else {
    desktop.ShowMessage(GeneralErrorText(failure), kMessageCritical);
  }
}

}  // namespace platform
