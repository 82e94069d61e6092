// The least a Win32 program of this toolchain can do: start and return. The
// start-up timing's yardstick for command-line mode.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
