// The clock the Windows timing programs read: the performance counter, in seconds.
#pragma once

#include <windows.h>

namespace reader_tools {

inline double Seconds() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace reader_tools
