// --editor-png on Linux beyond our own plug-in: a third-party X11 editor from Debian's
// packages, and a machine with neither a display nor Xvfb.
#include <gtest/gtest.h>

#include "raster/RasterMemBitmap.h"
#include "raster/RasterPng.h"
#include "tests/render/ToolRunner.h"
#include "tools/vst2-render/Platform.h"

using namespace vrender;

TEST(EditorPngLinux, PicturesAThirdPartyX11Editor) {
  const std::string plugin = "/usr/lib/vst/ZamComp-vst.so";
  if (!FileExists(plugin)) GTEST_SKIP() << plugin << " is not installed";
  const std::string png = ScratchFolder() + "zamcomp.png";
  const ToolResult r = RunTool({"--plugin", plugin, "--editor-png", png});
  ASSERT_EQ(r.status, 0) << r.err;
  RasterMemBitmap picture;
  ASSERT_TRUE(RasterLoadPngFile(png.c_str(), &picture));
  EXPECT_EQ(picture.GetWidth(), 800);
  EXPECT_EQ(picture.GetHeight(), 107);
  // Drawn, not the host window's black: most of ZamComp's panel is grey.
  int lit = 0;
  for (int y = 0; y < picture.GetHeight(); ++y)
    for (int x = 0; x < picture.GetWidth(); ++x) lit += (picture.GetBits()[y * picture.GetRowSpan() + x] & 0xFFFFFFu) != 0;
  EXPECT_GT(lit, picture.GetWidth() * picture.GetHeight() / 2);
}

TEST(EditorPngLinux, NoDisplayAndNoXvfbIsOneLineAndStatusOne) {
  const std::string dir = ScratchFolder();
  // A PATH without Xvfb; the tool itself is run by its full path.
  const ToolResult r = RunTool({"--plugin", FixturePlugin("EditorFails"), "--editor-png", dir + "e.png"},
                               {"PATH=" + dir});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "vst2-render: no X display: DISPLAY is not set and Xvfb could not be started (install the xvfb package)\n");
}
