#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "desktop.h"

namespace {

// A stream the parent handed over (a console, a file, a pipe) stays where it goes.
bool handedOver(DWORD stream) {
  const HANDLE handle = GetStdHandle(stream);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool desktop::displayExpected(const TProgramEnvironment&) { return true; }

void desktop::useStartingConsole() {
  if (GetConsoleWindow() != nullptr) return;  // started as a console program: it has one
  const bool outputHandedOver = handedOver(STD_OUTPUT_HANDLE);
  const bool errorHandedOver = handedOver(STD_ERROR_HANDLE);
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;  // started from Explorer: nowhere to print
  if (!outputHandedOver) std::freopen("CONOUT$", "w", stdout);
  if (!errorHandedOver && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

// The stream's own handle: useStartingConsole may have reopened it on the parent's console.
// _isatty would also call the NUL device a terminal; only a console has a console mode.
bool desktop::standardErrorIsTerminal() {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stderr)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void desktop::write(std::FILE* stream, const QString& text) {
  std::fflush(stream);
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0) {
    const std::wstring wide = text.toStdWString();
    DWORD written = 0;
    if (WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr)) return;
  }
  std::fputs(text.toUtf8().constData(), stream);
  std::fflush(stream);
}
