#include "outlook/send_with_outlook.h"

#include "platform/attachment_path.h"
#include "platform/failure_report.h"

namespace outlook {

using platform::Desktop;
using platform::ObjectRef;
using platform::Value;

namespace {

constexpr std::int16_t kMailItem = 0;

}  // namespace

platform::HandOff SendWithOutlook(Desktop& desktop, const std::u16string& subject, const std::u16string& attachment,
                                  const std::u16string& address, const std::u16string& body) {
  ObjectRef application;
  ObjectRef mailItem;
  platform::HandOff outcome = platform::HandOff::Completed;
  try {
    application = desktop.CreateAutomationObject(u"Outlook.Application");
    mailItem = desktop.CallMethodForObject(*application, u"CreateItem", {Value::Int16(kMailItem)});
    desktop.SetProperty(*mailItem, u"To", Value::String(address));
    desktop.SetProperty(*mailItem, u"Subject", Value::String(subject));
    desktop.SetProperty(*mailItem, u"Body", Value::String(body));
    if (!attachment.empty() && !desktop.FindFileName(attachment).empty()) {
      // Outlook opens the file itself: it gets the file that was found, whatever its current folder.
      const std::u16string clientPath = platform::AttachmentPathForClient(desktop, attachment);
      // A failing Add releases the collection while unwinding, before the handler runs.
      ObjectRef attachments = desktop.GetObjectProperty(*mailItem, u"Attachments");
      desktop.CallMethod(*attachments, u"Add", {Value::StringByRef(clientPath)});
      attachments.reset();
    }
    desktop.SetProperty(*mailItem, u"ReadReceiptRequested", Value::Boolean(false));
    desktop.CallMethod(*mailItem, u"Display", {});
  } catch (...) {
    outcome = platform::ReportFailure(desktop, platform::CurrentFailure(), u"Microsoft Outlook is not installed!");
  }
  // Exit point: the application first, then the item.
  application.reset();
  mailItem.reset();
  return outcome;
}

platform::HandOff ComposeOutlookItem(Desktop& desktop, mailfile::MailFields& fields) {
  return SendWithOutlook(desktop, fields.subject, fields.attachment, fields.address, fields.body);
}

}  // namespace outlook
