#pragma once
// The steps of the program's file reads and writes, by name, for tests that end the process or
// change what stands under a name between two of them. Nothing is set in the program itself.
using FileStepHook = void (*)(const char* step);
inline FileStepHook fileStepHook = nullptr;

inline void fileStep(const char* step) {
  if (fileStepHook != nullptr) fileStepHook(step);
}
