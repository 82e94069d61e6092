// What a composer does, step by step, in a form that each kind of test
// double writes out in its own words: the recording desktop as its journal
// lines, the stand-in mail clients as theirs. Objects are named by their
// role ("session", "document"); each double names them its own way.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace oracles {

struct Argument {
  enum class Kind { Int16, String, NullString, StringByRef, Boolean, ObjectByRef };
  Kind kind = Kind::String;
  std::u16string text{};  // String, StringByRef
  int number = 0;       // Int16; Boolean: 1 for true
  std::string object{};   // ObjectByRef: the role of the object
};

struct Step {
  enum class Kind {
    Create,      // member: the ProgID
    Call,        // object.member(arguments)
    Get,         // object.member
    Set,         // object.member = arguments[0]
    Release,     // object
    Pump,        // messages pumped
    FindWindow,  // member: the window class
    ShowWindow,  // maximised
    Foreground,
    FindFile,    // member: the path; text: the file name found, empty for none
    FullPath,    // member: the path; text: the full path
    Box,         // text: the critical message
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

// Builders for the composers' oracles.
Argument Int16(int value);
Argument String(std::u16string text);
Argument StringByRef(std::u16string text);
Argument Boolean(bool value);
Step Create(std::u16string progId, std::string makes);
Step Call(std::string object, std::u16string member, std::vector<Argument> arguments, std::string makes = {});
Step Set(std::string object, std::u16string member, Argument value);
Step Release(std::string object, bool atExit = false);
// The lookup of an attachment, and the client's path where it names a file.
void AddLookup(std::vector<Step>& steps, const Attachment& attachment);

}  // namespace oracles
