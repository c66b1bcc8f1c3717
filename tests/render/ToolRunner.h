// Runs the vst2-render program as a separate process and collects what it printed, and
// gives each test its own scratch folder.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the built tool with 'args'; paths in 'args' must already be native (see NativePath).
// On Linux the tool runs without DISPLAY, so an editor it opens goes to a private Xvfb and
// never to the developer's desktop, and 'environment' entries ("NAME=VALUE") replace the
// inherited ones; the Windows runner passes the inherited environment as it is.
ToolResult RunTool(const std::vector<std::string>& args, const std::vector<std::string>& environment = {});

// A path of the build machine as the programs under test see it (Z:\... under Wine).
std::string NativePath(const std::string& buildPath);

// A fresh, empty scratch folder for the running test (native form, trailing separator).
std::string ScratchFolder();

// Names of the files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// Reads a number that follows "key": in a JSON text; NaN when absent or null.
double JsonNumber(const std::string& json, const std::string& key);

// Native path of the Vossamere2 built in this tree; empty when it is not built.
std::string Vossamere2Plugin();

// Native path of a fixture plug-in library built for these tests ("Crossfeed" etc.).
std::string FixturePlugin(const std::string& name);
