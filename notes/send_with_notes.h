// The Lotus Notes hand-off: brings the Notes client to the front and opens a
// new memo built from one mail file in its editor.
#pragma once

#include <string>

#include "mailfile/mail_file.h"
#include "platform/desktop.h"

namespace notes {

// Creates and drops a session so that Notes is running, lets waiting window
// messages through twice, then maximises the Notes main window and brings it
// to the front when there is one. A failed creation passes to the caller.
void ActivateNotesWindow(platform::Desktop& desktop);

// Never throws: every failure is reported in one critical box. Gives how the
// hand-off ended.
platform::HandOff SendWithNotes(platform::Desktop& desktop, const std::u16string& subject,
                                const std::u16string& address, const platform::NullableString& copyTo,
                                const std::u16string& blindCopyTo, const std::u16string& body,
                                const std::u16string& attachment, const std::u16string& secondAttachment);

// Quorvel's composer as the reader calls it.
platform::HandOff ComposeNotesMemo(platform::Desktop& desktop, mailfile::MailFields& fields);

}  // namespace notes
