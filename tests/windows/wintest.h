#pragma once

// Helpers for the tests that run against the real system calls under Wine.

#include <string>

namespace wintest {

// True under Wine. The tests that rewrite machine-wide registry keys run
// only there, in the throw-away prefix the test script makes.
bool underWine();

// Runs commandLine (UTF-8), waits for it and gives its exit code, or -1
// when it could not be started.
int run(const std::string &commandLine);

// The system's reg.exe, given arguments; true when it succeeded.
bool reg(const std::string &arguments);

// A new empty folder whose name holds a space and a non-ASCII letter, in
// UTF-8 with backslashes; removed with its files by removeFolder.
std::string newFolder();
void removeFolder(const std::string &folder);

// A copy of the marker program at path; see marker.cpp.
void placeMarker(const std::string &path);
// Waits up to thirty seconds for the marker at path to have run, and gives the
// command line it recorded, or nothing when it did not run.
bool waitForMarker(const std::string &path, std::string &commandLine);
// True when the marker at path has run already.
bool markerRan(const std::string &path);

bool fileExists(const std::string &path);
void writeFile(const std::string &path, const std::string &bytes);
void removeFile(const std::string &path);

// The folder of the running test program.
std::string testFolder();

} // namespace wintest
