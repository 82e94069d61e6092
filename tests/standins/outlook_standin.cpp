// The Outlook stand-in: a COM local server under "Outlook.Application" with
// the members Zembrik uses; Display puts the message on screen.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "dispatch_object.h"
#include "message_window.h"
#include "server.h"

namespace standins {
namespace {

constexpr long kMailItem = 0;
// Invented failures of the stand-in, shaped as Outlook reports them.
constexpr SCODE kOutlookFileNotFound = static_cast<SCODE>(0x80070002);
constexpr SCODE kOutlookInvalidArgument = static_cast<SCODE>(0x80070057);
constexpr SCODE kOutlookReadOnly = static_cast<SCODE>(0x80020003);

// What a mail item holds; shared by the item and its attachments collections
// without COM references, so that each object's release is the client's own.
struct MailData {
  std::wstring to;
  std::wstring subject;
  std::wstring body;
  bool readReceipt = true;  // Outlook's default for a new item in this stand-in
  std::vector<std::wstring> attachments;
};

Outcome BadCount() { return Outcome::Failing(DISP_E_BADPARAMCOUNT); }
Outcome BadType() { return Outcome::Failing(DISP_E_TYPEMISMATCH); }
Outcome ReadOnly() { return Outcome::Exception(0, kOutlookReadOnly, L"The property is read-only."); }

std::wstring FileNameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

class Attachments final : public StandinObject {
 public:
  Attachments(Server& server, std::shared_ptr<MailData> mail)
      : StandinObject(server, L"attachments", {{L"Add", Access::Method}, {L"Count", Access::Property}}),
        mail_(std::move(mail)) {}

 protected:
  Outcome Call(std::size_t member, InvokeKind kind, std::span<const VARIANT* const> arguments) override {
    if (member == 1) {
      if (kind != InvokeKind::Get) return ReadOnly();
      Outcome outcome;
      VARIANT* value = &outcome.value;
      value->vt = VT_I4;
      value->lVal = static_cast<LONG>(mail_->attachments.size());
      return outcome;
    }
    if (arguments.empty() || arguments.size() > 4) return BadCount();
    const std::optional<std::wstring> source = StringArgument(*arguments[0]);
    if (!source) return BadType();
    // Outlook copies the file at once: a path it cannot open, a relative one too, is an error here.
    if (!ClientCanOpen(*source)) {
      return Outcome::Exception(0, kOutlookFileNotFound,
                                L"Cannot find this file. Verify the path and file name are correct.");
    }
    mail_->attachments.push_back(FileNameOf(*source));
    return Outcome::Object(new TextObject(GetServer(), L"attachment", L"FileName", FileNameOf(*source), ReadOnly));
  }

 private:
  std::shared_ptr<MailData> mail_;
};

MessageContent MailContent(const MailData& mail) {
  std::wstring attachments;
  for (const std::wstring& name : mail.attachments) attachments += (attachments.empty() ? L"" : L"; ") + name;
  return {(mail.subject.empty() ? L"Untitled" : mail.subject) + L" - Message - Outlook stand-in",
          L"New message, not sent. (Microsoft Outlook stand-in for tests and the demo.)",
          {{L"To", L"To:", mail.to},
           {L"Subject", L"Subject:", mail.subject},
           {L"Attachments", L"Attached:", attachments},
           {L"ReadReceiptRequested", L"Read receipt:", mail.readReceipt ? L"requested" : L"off"},
           {L"Body", L"Message:", mail.body, true}}};
}

class MailItem final : public StandinObject {
 public:
  // In the order of Member.
  explicit MailItem(Server& server)
      : StandinObject(server, L"mailitem",
                      {{L"To", Access::Property}, {L"Subject", Access::Property}, {L"Body", Access::Property},
                       {L"ReadReceiptRequested", Access::Property}, {L"Attachments", Access::Property},
                       {L"Display", Access::Method}}),
        mail_(std::make_shared<MailData>()) {}

 protected:
  enum Member { kTo, kSubject, kBody, kReadReceiptRequested, kAttachments, kDisplay };
  Outcome Call(std::size_t member, InvokeKind kind, std::span<const VARIANT* const> arguments) override {
    if (member == kDisplay) {
      if (arguments.size() > 1) return BadCount();
      if (OpenMessageWindow(GetServer(), MailContent(*mail_), nullptr) == nullptr) return Outcome::Failing(E_FAIL);
      Outcome outcome;
      outcome.observations.push_back(L"message-window opened");
      return outcome;
    }
    if (member == kAttachments) {
      if (kind != InvokeKind::Get) return ReadOnly();
      return Outcome::Object(new Attachments(GetServer(), mail_));
    }
    if (kind == InvokeKind::Get) {
      if (member == kReadReceiptRequested) {
        Outcome outcome;
        VARIANT* value = &outcome.value;
        value->vt = VT_BOOL;
        value->boolVal = mail_->readReceipt ? VARIANT_TRUE : VARIANT_FALSE;
        return outcome;
      }
      return Outcome::Text(member == kTo ? mail_->to : member == kSubject ? mail_->subject : mail_->body);
    }
    if (member == kReadReceiptRequested) {
      const std::optional<long> flag = NumberArgument(*arguments[0]);
      if (!flag) return BadType();
      mail_->readReceipt = *flag != 0;
      return Outcome::Nothing();
    }
    const std::optional<std::wstring> text = StringArgument(*arguments[0]);
    if (!text) return BadType();
    (member == kTo ? mail_->to : member == kSubject ? mail_->subject : mail_->body) = *text;
    return Outcome::Nothing();
  }

 private:
  std::shared_ptr<MailData> mail_;
};

class Application final : public StandinObject {
 public:
  explicit Application(Server& server) : StandinObject(server, L"application", {{L"CreateItem", Access::Method}}) {}

 protected:
  Outcome Call(std::size_t, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (arguments.size() != 1) return BadCount();
    const std::optional<long> type = NumberArgument(*arguments[0]);
    if (!type) return BadType();
    if (*type != kMailItem) {
      return Outcome::Exception(0, kOutlookInvalidArgument,
                                L"Could not complete the operation. One or more parameter values are not valid.");
    }
    return Outcome::Object(new MailItem(GetServer()));
  }
};

StandinObject* CreateOutlookObject(Server& server, const StandinClass&) { return new Application(server); }

const ServerDefinition kOutlook{L"Outlook", OutlookClasses(), CreateOutlookObject, nullptr, nullptr};

}  // namespace

const ServerDefinition& StandinDefinition() { return kOutlook; }

}  // namespace standins
