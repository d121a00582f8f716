// The stand-in program's DLL (build with -DKVX_VERSION='"x.y.z"'); a copy of it is its plugin.
extern "C" __declspec(dllexport) const char* kvx_stand_in_version() { return KVX_VERSION; }
