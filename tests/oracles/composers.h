// What the two composers do for a message, step by step: Quorvel's for a
// Notes memo, Zembrik's for an Outlook mail item.
#pragma once

#include "steps.h"

namespace oracles {

struct NotesMemo {
  std::u16string subject{};
  std::u16string address{};
  std::u16string body{};
  std::vector<Attachment> attachments{};  // the first and the second attachment line
  bool notesWindow = true;                // the activation finds Notes' main window
};

inline constexpr char16_t kNotesNotInstalled[] = u"Lotus Notes is not installed!";

// From the activation's session to the last release at the exit point. The
// copy-to field goes over as a null string, the blind copy as an empty one.
std::vector<Step> NotesRun(const NotesMemo& memo);

struct OutlookItem {
  std::u16string subject{};
  std::u16string address{};
  std::u16string body{};
  Attachment attachment{};
};

inline constexpr char16_t kOutlookNotInstalled[] = u"Microsoft Outlook is not installed!";

// From the application's creation to the last release at the exit point.
std::vector<Step> OutlookRun(const OutlookItem& item);

}  // namespace oracles
