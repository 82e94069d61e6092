// Late-bound automation as the logic sees it: values passed to members by name,
// owned references on automation objects, and failures with a number and a text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/failure.h"

namespace platform {

// Unicode text that can also be the null string, as a BSTR can: the null string
// has no text and no storage and reaches a server differently from "".
class NullableString {
 public:
  NullableString() = default;  // the null string
  explicit NullableString(std::u16string text) : text_(std::move(text)), null_(false) {}

  bool IsNull() const { return null_; }
  const std::u16string& Text() const { return text_; }

 private:
  std::u16string text_;
  bool null_ = true;
};

// One owned reference on an object of an automation server. Destroying the
// owner releases the reference; composers call reset() where the order of
// releases is part of what they do.
class AutomationObject {
 public:
  virtual ~AutomationObject() = default;
};
using ObjectRef = std::unique_ptr<AutomationObject>;

// One argument of a late-bound call. It refers to the caller's text and
// objects, so it lives only for the statement that makes the call.
class Value {
 public:
  enum class Kind { String, StringByRef, NullString, Int16, Boolean, ObjectByRef, Missing };

  static Value String(std::u16string_view text) { return Value(Kind::String).WithText(text); }
  static Value String(const NullableString& text) {
    return text.IsNull() ? NullString() : String(std::u16string_view(text.Text()));
  }
  static Value StringByRef(const std::u16string& variable) {
    Value value(Kind::StringByRef);
    value.text_ = variable;
    value.variable_ = &variable;
    return value;
  }
  static Value NullString() { return Value(Kind::NullString); }
  static Value Int16(std::int16_t number) {
    Value value(Kind::Int16);
    value.int16_ = number;
    return value;
  }
  static Value Boolean(bool flag) {
    Value value(Kind::Boolean);
    value.boolean_ = flag;
    return value;
  }
  static Value ObjectByRef(AutomationObject& object) {
    Value value(Kind::ObjectByRef);
    value.object_ = &object;
    return value;
  }
  static Value Missing() { return Value(Kind::Missing); }

  Kind GetKind() const { return kind_; }
  // String and StringByRef: the text; empty for the other kinds.
  std::u16string_view Text() const { return text_; }
  // StringByRef: the caller's variable, which the call reaches by reference.
  const std::u16string* Variable() const { return variable_; }
  std::int16_t Int16Value() const { return int16_; }
  bool BooleanValue() const { return boolean_; }
  AutomationObject* Object() const { return object_; }

 private:
  explicit Value(Kind kind) : kind_(kind) {}
  Value WithText(std::u16string_view text) && {
    text_ = text;
    return std::move(*this);
  }

  Kind kind_;
  std::u16string_view text_;
  const std::u16string* variable_ = nullptr;
  std::int16_t int16_ = 0;
  bool boolean_ = false;
  AutomationObject* object_ = nullptr;
};

}  // namespace platform
