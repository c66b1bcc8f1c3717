// The few operating-system services the command-line host needs, behind one interface so
// the portable code never branches on the platform. Paths are UTF-8 on both systems.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vrender {

// The program's arguments as UTF-8 (on Windows taken from the wide command line).
std::vector<std::string> GetUtf8Arguments(int argc, char** argv);

// Folder holding the running executable, with a trailing separator; empty if unknown.
std::string ExecutableDirectory();

// Platform file name of the plug-in built beside the tool ("Vossamere2.so" / ".dll").
const char* DefaultPluginFileName();

FILE* OpenFile(const std::string& path, const char* mode);
bool FileExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Replaces 'to' with 'from' in one step where the system allows it.
bool RenameFile(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
int ProcessId();

// Writes plain "\n" line ends on both systems, so the output is the same byte for byte.
void UseUnixLineEndings();

// True when standard error is an interactive terminal (progress display allowed).
bool StderrIsTerminal();

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& bytes);
// Writes a whole file under a temporary name and renames it into place, so a failed
// write never leaves a half-written file under the final name.
bool WriteWholeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
// Writes several files that belong together: each under a temporary name first, renamed
// into place only once all of them are written. On failure 'failed' names the file that
// could not be written and no temporary file is left.
bool WriteFilesAtomically(const std::vector<std::pair<std::string, std::vector<unsigned char>>>& files,
                          std::string& failed);
// Name beside 'path' for a temporary file that is renamed into place afterwards.
std::string TemporaryNameFor(const std::string& path);

}  // namespace vrender
