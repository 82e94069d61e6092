// What the driver and the probe DLL agree on. The probe runs inside the
// program under test, hooked onto its window thread, and reads what only
// that process can read: the fonts and icons its windows use, and the DPI
// the program sees. It writes a text report into shared memory.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/owners.h"

namespace ui_tests {

// Sent to the form; the probe's hook answers it before the window sees it.
inline constexpr wchar_t kProbeMessageName[] = L"QzUiTestsProbe";
// The hook procedure's exported name.
inline constexpr char kProbeHookName[] = "ProbeHook";
inline constexpr DWORD kReportBytes = 64 * 1024;

inline void Unmap(void* view) { UnmapViewOfFile(view); }
using UniqueView = platform::win32::UniqueResource<void*, Unmap>;

// The shared memory the report goes to, one per process under test.
inline std::wstring ReportMappingName(DWORD processId) {
  return L"Local\\QzUiTestsProbe." + std::to_wstring(processId);
}

}  // namespace ui_tests
