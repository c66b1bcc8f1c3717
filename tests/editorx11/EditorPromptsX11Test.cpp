// The colour, file and web prompts through zenity and xdg-open, with stand-ins for both on
// PATH that record their arguments and answer what the test asks.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "graphics/IPixelColor.h"
#include "plugin/IText.h"
#include "tests/editorx11/EditorWindowX11Fixture.h"

namespace
{
class EditorPromptsX11Test : public EditorX11Test
{
protected:
  void SetUp() override
  {
    EditorX11Test::SetUp();
    char pattern[] = "/tmp/voss-prompts-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    // Each stand-in writes one argument a line to NAME.args, prints NAME.out and exits
    // with the number in NAME.status.
    for (const char* name : {"zenity", "xdg-open"})
    {
      const std::string script = folder + "/" + name;
      std::ofstream out(script);
      out << "#!/bin/sh\n"
          << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << folder << "/" << name << ".args'\n"
          << "[ -f '" << folder << "/" << name << ".out' ] && cat '" << folder << "/" << name << ".out'\n"
          << "exit $(cat '" << folder << "/" << name << ".status' 2>/dev/null || echo 0)\n";
      out.close();
      chmod(script.c_str(), 0755);
    }
    oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (folder + ":" + oldPath).c_str(), 1);
  }
  void TearDown() override
  {
    setenv("PATH", oldPath.c_str(), 1);
    std::system(("rm -rf '" + folder + "'").c_str());
    EditorX11Test::TearDown();
  }
  void Answer(const char* name, const std::string& output, int status)
  {
    std::ofstream(folder + "/" + name + ".out") << output;
    std::ofstream(folder + "/" + name + ".status") << status;
  }
  std::vector<std::string> ArgsOf(const char* name)
  {
    std::vector<std::string> args;
    std::ifstream in(folder + "/" + name + ".args");
    for (std::string line; std::getline(in, line);) args.push_back(line);
    return args;
  }
  bool Has(const std::vector<std::string>& args, const std::string& a)
  {
    for (const std::string& s : args)
      if (s == a) return true;
    return false;
  }
  void WithoutHelpers() { setenv("PATH", "/nonexistent", 1); }

  std::string folder;
  std::string oldPath;
};
}  // namespace

TEST_F(EditorPromptsX11Test, ColourPromptStartsAtTheColourAndTakesTheChosenOne)
{
  IPixelColor colour(77, 1, 2, 3);
  EXPECT_FALSE(editor->PromptForColour(&colour, "Pick")) << "no window open";
  Open();
  Answer("zenity", "rgb(10,20,30)\n", 0);
  EXPECT_TRUE(editor->PromptForColour(&colour, "Pick"));
  EXPECT_EQ(colour.red, 10);
  EXPECT_EQ(colour.green, 20);
  EXPECT_EQ(colour.blue, 30);
  EXPECT_EQ(colour.alpha, 77) << "alpha is not the chooser's";
  const std::vector<std::string> args = ArgsOf("zenity");
  EXPECT_TRUE(Has(args, "--color-selection"));
  EXPECT_TRUE(Has(args, "--color=rgb(1,2,3)"));
  EXPECT_TRUE(Has(args, "--title=Pick"));

  Answer("zenity", "#ff8000\n", 0);
  EXPECT_TRUE(editor->PromptForColour(&colour, nullptr));
  EXPECT_EQ(colour.red, 255);
  EXPECT_EQ(colour.green, 128);
  EXPECT_EQ(colour.blue, 0);

  Answer("zenity", "", 1);  // cancelled
  EXPECT_FALSE(editor->PromptForColour(&colour, "Pick"));
  EXPECT_EQ(colour.red, 255);
  WithoutHelpers();
  EXPECT_FALSE(editor->PromptForColour(&colour, "Pick"));
}

TEST_F(EditorPromptsX11Test, FilePromptFiltersByExtensionAndReturnsThePathAndItsFolder)
{
  IText out("take"), directory("/srv/audio");
  editor->PromptForFile(&out, 1, &directory, "wav aif");
  EXPECT_STREQ(out.Get(), "") << "no window open";

  Open();
  out.Set("take");
  Answer("zenity", "/home/u/mixes/final\n", 0);
  editor->PromptForFile(&out, 1, &directory, "wav aif");
  EXPECT_STREQ(out.Get(), "/home/u/mixes/final.wav") << "a saved name gets the first extension";
  EXPECT_STREQ(directory.Get(), "/home/u/mixes/");
  std::vector<std::string> args = ArgsOf("zenity");
  EXPECT_TRUE(Has(args, "--file-selection"));
  EXPECT_TRUE(Has(args, "--save"));
  EXPECT_TRUE(Has(args, "--filename=/srv/audio/take"));
  EXPECT_TRUE(Has(args, "--file-filter=*.wav;*.aif | *.wav *.aif"));

  out.Set("old.wav");
  Answer("zenity", "/home/u/in.aif\n", 0);
  editor->PromptForFile(&out, 0, &directory, "");
  EXPECT_STREQ(out.Get(), "/home/u/in.aif");
  args = ArgsOf("zenity");
  EXPECT_FALSE(Has(args, "--save"));
  EXPECT_TRUE(Has(args, "--filename=/home/u/mixes/old.wav"));

  Answer("zenity", "", 1);  // cancelled: the name and folder stay
  editor->PromptForFile(&out, 0, &directory, "");
  EXPECT_STREQ(out.Get(), "/home/u/in.aif");
  EXPECT_STREQ(directory.Get(), "/home/u/");

  WithoutHelpers();
  editor->PromptForFile(&out, 0, &directory, "");
  EXPECT_STREQ(out.Get(), "");
}

TEST_F(EditorPromptsX11Test, WebPromptAsksFirstThenOpensWithXdgOpen)
{
  Answer("xdg-open", "", 0);
  EXPECT_TRUE(editor->OpenUrl("https://example.invalid/a b", "Site", nullptr, nullptr));
  EXPECT_EQ(ArgsOf("xdg-open"), std::vector<std::string>{"https://example.invalid/a b"});

  Answer("zenity", "", 1);  // the user says no
  std::remove((folder + "/xdg-open.args").c_str());
  EXPECT_FALSE(editor->OpenUrl("https://example.invalid/", "Site", "Visit the site?", nullptr));
  EXPECT_TRUE(ArgsOf("xdg-open").empty());
  EXPECT_TRUE(Has(ArgsOf("zenity"), "--text=Visit the site?"));

  Answer("zenity", "", 0);
  Answer("xdg-open", "", 3);  // nothing could open it: the error is shown
  EXPECT_FALSE(editor->OpenUrl("https://example.invalid/", "Site", "Visit?", "No browser"));
  EXPECT_TRUE(Has(ArgsOf("zenity"), "--error"));
  EXPECT_TRUE(Has(ArgsOf("zenity"), "--text=No browser"));

  WithoutHelpers();
  EXPECT_FALSE(editor->OpenUrl("https://example.invalid/", "Site", nullptr, nullptr));
}
