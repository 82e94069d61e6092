// What the two composers do for a message, step by step, in a form that each
// kind of test double writes out in its own words: the recording desktop as
// its journal lines, the stand-in mail clients as theirs. Objects are named by
// their role ("session", "document"); each double names them its own way.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace oracles {

struct Argument {
  enum class Kind { Int16, String, NullString, StringByRef, Boolean, ObjectByRef };
  Kind kind = Kind::String;
  std::u16string text{};  // String, StringByRef
  int number = 0;         // Int16; Boolean: 1 for true
  std::string object{};   // ObjectByRef: the role of the object
};

struct Step {
  // Create: member is the ProgID. Set: object.member = arguments[0].
  // FindWindow: member is the window class; ShowWindow maximises it.
  // FindFile, FullPath: member is the path, text what the desktop gives for it.
  // Box: text is the critical message.
  enum class Kind {
    Create,
    Call,
    Get,
    Set,
    Release,
    Pump,
    FindWindow,
    ShowWindow,
    Foreground,
    FindFile,
    FullPath,
    Box
  };
  Kind kind = Kind::Call;
  std::string object{};
  std::u16string member{};
  std::vector<Argument> arguments{};
  std::string makes{};  // the role of the object the step gives, if any
  std::u16string text{};
  bool atExit = false;  // a release at the composer's exit point
  bool failed = false;
};

// Steps a test double can make fail: creations, calls, gets, sets, lookups.
bool CanFail(const Step& step);

// The run of a composer whose complete run is `complete`, when its step
// `failing` fails: the steps before it, the failing step, the releases of
// objects held only around that step (as they unwind), the box, then the
// exit point's releases of what had been made.
std::vector<Step> FailedAt(const std::vector<Step>& complete, std::size_t failing, std::u16string box);

// An attachment line as the composer meets it.
struct Attachment {
  std::u16string path{};      // as the mail file gives it
  std::u16string name{};      // what the file-name lookup finds; empty: no normal file, skipped
  std::u16string fullPath{};  // what the client gets for a relative path; empty: the path is full
};

struct Message {
  std::u16string subject{};
  std::u16string address{};
  std::u16string body{};
  std::vector<Attachment> attachments{};  // Quorvel takes two attachment lines, Zembrik one
  bool notesWindow = true;                // the activation finds Notes' main window
};

inline constexpr char16_t kNotesNotInstalled[] = u"Lotus Notes is not installed!";
inline constexpr char16_t kOutlookNotInstalled[] = u"Microsoft Outlook is not installed!";

// Quorvel's memo, from the activation's session to the last release at the
// exit point. The copy-to field goes over as a null string, the blind copy
// as an empty one.
std::vector<Step> NotesRun(const Message& memo);

// Zembrik's mail item, from the application's creation to the last release.
std::vector<Step> OutlookRun(const Message& item);

}  // namespace oracles
