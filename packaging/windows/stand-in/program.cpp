// A stand-in for kelvox-setup.exe while the real program cannot be built for Windows yet: it
// lets the installer be built and tested under Wine with the same layout (an exe, a DLL it
// imports, a plugin in a subfolder loaded at run time by a path relative to the exe).
//   kelvox-setup.exe --version   prints "kelvox-setup VERSION" once both DLLs are found
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

extern "C" __declspec(dllimport) const char* kvx_stand_in_version();

int main(int argc, char** argv) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L'\\') + 1);
  if (!LoadLibraryW((folder + L"platforms\\stand-in-plugin.dll").c_str())) {
    std::fprintf(stderr, "kelvox-setup: the plugin platforms\\stand-in-plugin.dll is missing\n");
    return 2;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("kelvox-setup %s\n", kvx_stand_in_version());
    return 0;
  }
  std::fprintf(stderr, "usage: kelvox-setup --version\n");
  return 1;
}
