// The Outlook hand-off: has Outlook show a new mail item built from one mail file.
#pragma once

#include <string>

#include "mailfile/mail_file.h"
#include "platform/desktop.h"

namespace outlook {

// Never throws: every failure is reported in one critical box. Gives how the
// hand-off ended.
platform::HandOff SendWithOutlook(platform::Desktop& desktop, const std::u16string& subject,
                                  const std::u16string& attachment, const std::u16string& address,
                                  const std::u16string& body);

// Zembrik's composer as the reader calls it.
platform::HandOff ComposeOutlookItem(platform::Desktop& desktop, mailfile::MailFields& fields);

}  // namespace outlook
