// A stand-in as a local server: the executable COM starts with -Embedding, as
// it starts the real mail clients. /RegServer [class ...] and /UnregServer
// register it by hand.
#include <windows.h>

#include "server.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  standins::Server server(standins::StandinDefinition(), standins::ServerKind::Local);
  return server.Run(commandLine != nullptr ? commandLine : L"");
}
