// The Notes stand-in: a COM local server under "Notes.NotesSession" and
// "Notes.NotesUIWorkspace" with the members Quorvel uses, and a main window of
// class "NOTES" as the real client has.
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "dispatch_object.h"
#include "message_window.h"
#include "server.h"

namespace standins {
namespace {

constexpr long kEmbedAttachment = 1454;
// Invented error numbers of the stand-in, in the range a Notes client uses.
enum NotesError : WORD {
  kNotesFileCannotBeOpened = 4005,
  kNotesDatabaseNotOpen = 4063,
  kNotesBadEmbedType = 4171,
  kNotesNotInEditMode = 4407,
  kNotesFieldNotFound = 4412,
};

HWND notesMainWindow = nullptr;

// What a document holds; shared by the document and its rich-text items
// without COM references, so that each object's release is the client's own.
struct MemoData {
  std::vector<std::pair<std::wstring, std::wstring>> items;  // name, shown text, in order of setting
  std::vector<std::wstring> attachments;

  void Set(const std::wstring& name, std::wstring text) {
    for (auto& item : items) {
      if (SameName(item.first, name)) {
        item.second = std::move(text);
        return;
      }
    }
    items.emplace_back(name, std::move(text));
  }
  std::wstring Get(std::wstring_view name) const {
    for (const auto& item : items) {
      if (SameName(item.first, name)) return item.second;
    }
    return {};
  }
};

Outcome BadCount() { return Outcome::Failing(DISP_E_BADPARAMCOUNT); }
Outcome BadType() { return Outcome::Failing(DISP_E_TYPEMISMATCH); }
Outcome NotFound() { return Outcome::Failing(DISP_E_MEMBERNOTFOUND); }

class RichTextItem final : public StandinObject {
 public:
  RichTextItem(Server& server, std::shared_ptr<MemoData> memo)
      : StandinObject(server, L"richtext", {{L"EMBEDOBJECT", Access::Method}}), memo_(std::move(memo)) {}

 protected:
  Outcome Call(std::size_t, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (arguments.size() != 4) return BadCount();
    const std::optional<long> type = NumberArgument(*arguments[0]);
    const std::optional<std::wstring> source = StringArgument(*arguments[2]);
    const std::optional<std::wstring> name = StringArgument(*arguments[3]);
    if (!type || !StringArgument(*arguments[1]) || !source || !name) return BadType();
    if (*type != kEmbedAttachment) return Outcome::Exception(kNotesBadEmbedType, 0, L"Invalid object type for method argument");
    // Notes reads the file at once: a path it cannot open, a relative one too, is an error here.
    if (!ClientCanOpen(*source)) return Outcome::Exception(kNotesFileCannotBeOpened, 0, L"File cannot be opened");
    memo_->attachments.push_back(*name);
    return Outcome::Object(new TextObject(GetServer(), L"embeddedobject", L"Name", *name, NotFound));
  }

 private:
  std::shared_ptr<MemoData> memo_;
};

class Document final : public StandinObject {
 public:
  explicit Document(Server& server)
      : StandinObject(server, L"document",
                      {{L"CREATERICHTEXTITEM", Access::Method}, {L"Subject", Access::Property},
                       {L"SendTo", Access::Property}, {L"CopyTo", Access::Property},
                       {L"BlindCopyTo", Access::Property}, {L"Body", Access::Property}}),
        memo_(std::make_shared<MemoData>()) {}
  const MemoData& Memo() const { return *memo_; }

 protected:
  Outcome Call(std::size_t member, InvokeKind kind, std::span<const VARIANT* const> arguments) override {
    if (member == 0) {
      if (arguments.size() != 1) return BadCount();
      if (!StringArgument(*arguments[0])) return BadType();
      return Outcome::Object(new RichTextItem(GetServer(), memo_));
    }
    const std::wstring name(Members()[member].name);
    if (kind == InvokeKind::Put) {
      memo_->Set(name, DisplayText(*arguments[0]));
      return Outcome::Nothing();
    }
    return Outcome::Text(memo_->Get(name));
  }

 private:
  std::shared_ptr<MemoData> memo_;
};

class Database final : public StandinObject {
 public:
  explicit Database(Server& server)
      : StandinObject(server, L"database", {{L"OPENMAIL", Access::Method}, {L"CreateDocument", Access::Method}}) {}

 protected:
  Outcome Call(std::size_t member, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (!arguments.empty()) return BadCount();
    if (member == 0) {
      open_ = true;
      return Outcome::Nothing();
    }
    if (!open_) return Outcome::Exception(kNotesDatabaseNotOpen, 0, L"Database has not been opened yet");
    return Outcome::Object(new Document(GetServer()));
  }

 private:
  bool open_ = false;
};

class Session final : public StandinObject {
 public:
  explicit Session(Server& server) : StandinObject(server, L"session", {{L"GETDATABASE", Access::Method}}) {}

 protected:
  Outcome Call(std::size_t, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (arguments.size() != 2) return BadCount();
    if (!StringArgument(*arguments[0]) || !StringArgument(*arguments[1])) return BadType();
    return Outcome::Object(new Database(GetServer()));
  }
};

class UIDocument final : public StandinObject {
 public:
  UIDocument(Server& server, HWND window, bool editMode)
      : StandinObject(server, L"uidocument", {{L"GOTOFIELD", Access::Method}}), window_(window), editMode_(editMode) {}

 protected:
  Outcome Call(std::size_t, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (arguments.size() != 1) return BadCount();
    const std::optional<std::wstring> field = StringArgument(*arguments[0]);
    if (!field) return BadType();
    if (!IsWindow(window_)) return Outcome::Exception(kNotesFieldNotFound, 0, L"Document window is closed");
    // Valid only in edit mode, as HCL's reference of NotesUIDocument.GotoField says.
    if (!editMode_) return Outcome::Exception(kNotesNotInEditMode, 0, L"Document is not in edit mode");
    static constexpr std::wstring_view kFields[] = {L"SendTo", L"CopyTo", L"BlindCopyTo", L"Subject", L"Body"};
    if (std::ranges::none_of(kFields, [&](std::wstring_view known) { return SameName(known, *field); })) {
      return Outcome::Exception(kNotesFieldNotFound, 0, L"Cannot locate field " + *field);
    }
    Outcome outcome;
    outcome.observations.push_back(FocusMessageField(window_, *field) ? L"memo-window focus=" + *field
                                                                      : L"memo-window focus=none");
    return outcome;
  }

 private:
  HWND window_;
  bool editMode_;
};

MessageContent MemoContent(const MemoData& memo) {
  std::wstring attachments;
  for (const std::wstring& name : memo.attachments) attachments += (attachments.empty() ? L"" : L"; ") + name;
  return {L"New Memo - Notes stand-in",
          L"New memo, not sent. (Lotus Notes stand-in for tests and the demo.)",
          {{L"SendTo", L"To:", memo.Get(L"SendTo")},
           {L"CopyTo", L"cc:", memo.Get(L"CopyTo")},
           {L"BlindCopyTo", L"bcc:", memo.Get(L"BlindCopyTo")},
           {L"Subject", L"Subject:", memo.Get(L"Subject")},
           {L"$FILE", L"Attachments:", attachments},
           {L"Body", L"Body:", memo.Get(L"Body"), true}}};
}

class Workspace final : public StandinObject {
 public:
  explicit Workspace(Server& server) : StandinObject(server, L"workspace", {{L"EDITDOCUMENT", Access::Method}}) {}

 protected:
  Outcome Call(std::size_t, InvokeKind, std::span<const VARIANT* const> arguments) override {
    if (arguments.size() < 2) return BadCount();
    const std::optional<long> editMode = NumberArgument(*arguments[0]);
    if (!editMode) return BadType();
    const VARIANT& documentArgument = *arguments[1];
    IDispatch* pointer = nullptr;
    if (documentArgument.vt == VT_DISPATCH) pointer = documentArgument.pdispVal;
    else if (documentArgument.vt == (VT_DISPATCH | VT_BYREF) && documentArgument.ppdispVal != nullptr)
      pointer = *documentArgument.ppdispVal;
    const auto* document = dynamic_cast<const Document*>(StandinObject::FromDispatch(pointer));
    if (document == nullptr) return BadType();
    // The window shows what the document holds now; it keeps no reference on it.
    const HWND window = OpenMessageWindow(GetServer(), MemoContent(document->Memo()), notesMainWindow);
    if (window == nullptr) return Outcome::Failing(E_FAIL);
    Outcome outcome = Outcome::Object(new UIDocument(GetServer(), window, *editMode != 0));
    outcome.observations.push_back(L"memo-window opened");
    return outcome;
  }
};

LRESULT CALLBACK NotesWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      RECT text;
      GetClientRect(window, &text);
      InflateRect(&text, -16, -12);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      DrawTextW(dc, L"Lotus Notes stand-in: the mail client's main window (class NOTES)", -1, &text,
                DT_LEFT | DT_TOP | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY: {
      notesMainWindow = nullptr;
      auto* server = reinterpret_cast<Server*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      if (server != nullptr) server->WindowClosed();
      return 0;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

void OpenNotesMainWindow(Server& server) {
  const NotesWindowMode mode = server.GetSettings().notesWindow;
  if (mode == NotesWindowMode::None) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = NotesWindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_APPWORKSPACE);
  windowClass.lpszClassName = L"NOTES";
  RegisterClassExW(&windowClass);
  notesMainWindow = CreateWindowExW(0, L"NOTES", L"Workspace - Notes stand-in", WS_OVERLAPPEDWINDOW, 40, 40, 720,
                                    520, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (notesMainWindow == nullptr) return;
  SetWindowLongPtrW(notesMainWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&server));
  server.WindowOpened();
  // Not activated: the test sees whether Quorvel brings it to the front.
  ShowWindow(notesMainWindow, mode == NotesWindowMode::Minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
}

void JournalNotesWindow(Server& server) {
  if (notesMainWindow == nullptr) return;
  const wchar_t* state = IsIconic(notesMainWindow) ? L"minimized"
                         : IsZoomed(notesMainWindow) ? L"maximized"
                         : IsWindowVisible(notesMainWindow) ? L"normal"
                                                           : L"hidden";
  const wchar_t* place = GetForegroundWindow() == notesMainWindow ? L"foreground" : L"background";
  server.GetJournal().Write(std::wstring(L"notes-window ") + state + L" " + place);
}

StandinObject* CreateNotesObject(Server& server, const StandinClass& standin) {
  if (SameName(standin.name, L"NotesUIWorkspace")) return new Workspace(server);
  return new Session(server);
}

const ServerDefinition kNotes{L"Notes", NotesClasses(), CreateNotesObject, OpenNotesMainWindow, JournalNotesWindow};

}  // namespace

const ServerDefinition& StandinDefinition() { return kNotes; }

}  // namespace standins
