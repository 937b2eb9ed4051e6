#pragma once
// What the command line needs of the system it runs on, kept out of the rest
// of it: posix_system.cpp and win32_system.cpp. Text is UTF-8 on both; paths
// are the engine's (bytes on POSIX, UTF-16 on Windows).
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_system.h"
#include "engine/journal.h"

// The command line's arguments in UTF-8, the program's name first.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// For the life of the program, output to a console shows UTF-8 as such.
class OutputSetup {
public:
    OutputSetup();
    ~OutputSetup();
    OutputSetup(const OutputSetup&) = delete;
    OutputSetup& operator=(const OutputSetup&) = delete;

private:
    unsigned previous_ = 0;
};

PathString ToPath(const std::string& text);
std::string FromPath(const PathString& path);

// `path` made absolute, so that the journal's records name the files
// wherever a later run starts. Links in it are not followed.
PathString AbsolutePath(const PathString& path);

// The file's identity when it has more than one name; nullopt otherwise.
std::optional<FileIdentity> SharedIdentity(const PathString& path);

// Opened for reading, unbuffered (a password must not linger in a buffer); null when it cannot be.
std::FILE* OpenUnbuffered(const std::string& path);

std::unique_ptr<FileSystem> MakeFileSystem();

// The journal that the shell extension's runs share (on Windows), in its
// folder; null when there is no home folder for it.
std::unique_ptr<JournalStore> OpenJournal();
