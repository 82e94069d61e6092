// The Outlook hand-off: has Outlook show a new mail item built from one mail file.
#pragma once

#include <string>

#include "mailfile/mail_file.h"
#include "platform/desktop.h"

namespace outlook {

// Never throws: every failure is reported in one critical box.
void SendWithOutlook(platform::Desktop& desktop, const std::u16string& subject, const std::u16string& attachment,
                     const std::u16string& address, const std::u16string& body);

// Zembrik's composer as the reader calls it.
void ComposeOutlookItem(platform::Desktop& desktop, mailfile::MailFields& fields);

}  // namespace outlook
