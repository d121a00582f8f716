#pragma once
// The program's name as it is installed: the usage line and every message on standard error start with it.
inline constexpr char kProgram[] = "kelvox-setup";
