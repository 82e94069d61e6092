// What Quorvel's composer does for a memo, step by step.
#pragma once

#include "steps.h"

namespace oracles {

struct NotesMemo {
  std::u16string subject{};
  std::u16string address{};
  std::u16string body{};
  std::vector<Attachment> attachments{};  // the first and the second attachment line
  bool notesWindow = true;              // the activation finds Notes' main window
};

inline constexpr char16_t kNotesNotInstalled[] = u"Lotus Notes is not installed!";

// From the activation's session to the last release at the exit point. The
// copy-to field goes over as a null string, the blind copy as an empty one.
std::vector<Step> NotesRun(const NotesMemo& memo);

}  // namespace oracles
