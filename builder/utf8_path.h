// The file system path a UTF-8 path text names, on Linux and on Windows.
// Kept out of file_io.h: <filesystem> brings std::quoted into every reader
// of project files, where it would shadow their own quoted().
#pragma once
#include <filesystem>
#include <string>

inline std::filesystem::path fsPath(const std::string& utf8) { return std::filesystem::u8path(utf8); }
