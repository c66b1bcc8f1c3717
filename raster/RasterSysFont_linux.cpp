#include "raster/RasterSysFont.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <mutex>
#include <string>

// Linux fonts: fontconfig finds a file for the face name, FreeType renders it. Metrics follow
// GDI's: the cell is the Windows ascent plus descent of the OS/2 table, the baseline sits at
// the ascent, and a character's measured rectangle is its advance by the cell height.

struct HFONT__
{
  FT_Face face = nullptr;
  int ascent = 0;
  int descent = 0;
  bool mono = false;  // one-bit glyphs (non-antialiased quality)
};

namespace {

// FreeType's library object is not safe for concurrent face creation and removal.
std::mutex& LibraryLock()
{
  static std::mutex lock;
  return lock;
}

// The library object lives exactly as long as some face does: made with the first face and
// done with the last, so a module that deletes its fonts at unload leaves nothing behind
// (a static holder could be destroyed before the last font is). Both under LibraryLock.
FT_Library library = nullptr;
int libraryFaces = 0;

FT_Library AcquireLibrary()
{
  if (!library && FT_Init_FreeType(&library) != 0)
    library = nullptr;
  return library;
}

void ReleaseLibraryIfUnused()
{
  if (library && libraryFaces == 0) {
    FT_Done_FreeType(library);
    library = nullptr;
  }
}

void DoneFace(FT_Face face)
{
  FT_Done_Face(face);
  --libraryFaces;
  ReleaseLibraryIfUnused();
}

// The substitutions Wine makes for the common Windows faces, so that both builds draw with
// the same metric-compatible fonts.
const char* Substitute(const char* face)
{
  static const char* const table[][2] = {
    {"Trebuchet MS", "Liberation Sans"}, {"Arial", "Liberation Sans"},     {"Tahoma", "Liberation Sans"},
    {"Verdana", "Liberation Sans"},      {"MS Sans Serif", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
  };
  for (const auto& entry : table)
    if (strcasecmp(face, entry[0]) == 0)
      return entry[1];
  return face;
}

// A configuration of our own, released at unload (the library's default one never is).
struct FontConfig
{
  FcConfig* config = FcInitLoadConfigAndFonts();
  ~FontConfig()
  {
    if (config)
      FcConfigDestroy(config);
  }
};

bool FindFontFile(const char* face, int weight, bool italic, std::string* file, int* index)
{
  static FontConfig holder;
  FcConfig* config = holder.config;
  if (!config)
    return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern)
    return false;
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)Substitute(face && *face ? face : "Liberation Sans"));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match)
    return false;
  FcChar8* path = nullptr;
  int faceIndex = 0;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (found) {
    *file = (const char*)path;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch)
      faceIndex = 0;
    *index = faceIndex;
  }
  FcPatternDestroy(match);
  return found;
}

bool IsDrawable(int code) { return code >= 32 && code != 127; }

} // namespace

RasterFontHandle RasterCreateFont(const char* face, int height, int weight, bool italic)
{
  return RasterCreateFontEx(face, height, 0, 0, weight, italic, RasterFontQualityAntialiased);
}

RasterFontHandle RasterCreateFontEx(const char* face, int height, int, int, int weight, bool italic, int quality)
{
  std::string file;
  int index = 0;
  if (!FindFontFile(face, weight, italic, &file, &index))
    return nullptr;
  std::lock_guard<std::mutex> hold(LibraryLock());
  FT_Face ftFace = nullptr;
  if (!AcquireLibrary() || FT_New_Face(library, file.c_str(), index, &ftFace) != 0) {
    ReleaseLibraryIfUnused();
    return nullptr;
  }
  ++libraryFaces;

  const double units = ftFace->units_per_EM > 0 ? ftFace->units_per_EM : 2048;
  double winAscent = ftFace->ascender, winDescent = -ftFace->descender;
  if (const TT_OS2* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(ftFace, FT_SFNT_OS2)) {
    winAscent = os2->usWinAscent;
    winDescent = os2->usWinDescent;
  }
  if (winAscent + winDescent <= 0) {
    winAscent = units * 0.9;
    winDescent = units * 0.2;
  }
  // Sizes far beyond any screen are held to what FreeType handles comfortably. Like GDI, a
  // negative height is a whole-pixel em size; a positive one scales the face so that its cell
  // is exactly that tall.
  const long long asked = height == 0 ? 16 : std::min<long long>(std::llabs((long long)height), 4096);
  const double em = height < 0 ? (double)asked : asked * units / (winAscent + winDescent);
  const FT_F26Dot6 size = std::max<FT_F26Dot6>(64, (FT_F26Dot6)std::lround(em * 64.0));
  if (FT_Set_Char_Size(ftFace, 0, size, 72, 72) != 0) {
    DoneFace(ftFace);
    return nullptr;
  }
  int ascent, descent;
  if (height > 0) {
    ascent = (int)std::lround(winAscent * asked / (winAscent + winDescent));
    descent = (int)asked - ascent;
  } else {
    ascent = (int)std::lround(winAscent * size / 64.0 / units);
    descent = (int)std::lround(winDescent * size / 64.0 / units);
  }
  HFONT__* font = new (std::nothrow) HFONT__;
  if (!font) {
    DoneFace(ftFace);
    return nullptr;
  }
  font->face = ftFace;
  font->ascent = ascent;
  font->descent = descent;
  font->mono = quality == RasterFontQualityNonAntialiased;
  return font;
}

void RasterDeleteFont(RasterFontHandle font)
{
  if (!font)
    return;
  std::lock_guard<std::mutex> hold(LibraryLock());
  DoneFace(font->face);
  delete font;
}

bool RasterSysFontIsNtFamily() { return true; }

int RasterSysFontLineHeight(RasterFontHandle font, RasterSysBitmap*)
{
  return font ? font->ascent + font->descent : 0;
}

void RasterSysFontMeasureChar(RasterFontHandle font, int code, bool, RasterSysBitmap*, int* width, int* height)
{
  *width = 0;
  *height = 0;
  if (!font || !IsDrawable(code))
    return;
  const FT_UInt index = FT_Get_Char_Index(font->face, (FT_ULong)code);
  if (FT_Load_Glyph(font->face, index, FT_LOAD_DEFAULT) != 0)
    return;
  *width = (int)((font->face->glyph->advance.x + 32) >> 6);
  *height = font->ascent + font->descent;
}

void RasterSysFontDrawChar(RasterFontHandle font, int code, bool, RasterSysBitmap* canvas, int width, int height)
{
  if (!font || !IsDrawable(code) || !canvas->GetBits())
    return;
  const FT_UInt index = FT_Get_Char_Index(font->face, (FT_ULong)code);
  const FT_Int32 target = font->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Glyph(font->face, index, FT_LOAD_RENDER | target) != 0)
    return;
  const FT_GlyphSlot slot = font->face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
    return;
  width = std::min(width, canvas->GetWidth());
  height = std::min(height, canvas->GetHeight());
  const int left = slot->bitmap_left, top = font->ascent - slot->bitmap_top;
  for (int row = 0; row < (int)bitmap.rows; ++row) {
    const int y = top + row;
    if (y < 0 || y >= height)
      continue;
    const unsigned char* in = bitmap.buffer + (long)row * bitmap.pitch;
    RasterPixel* out = RasterRowPointer(canvas->GetBits(), canvas->GetHeight(), canvas->GetRowSpan(), false, y);
    for (int col = 0; col < (int)bitmap.width; ++col) {
      const int x = left + col;
      if (x < 0 || x >= width)
        continue;
      int v = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY ? in[col] : ((in[col >> 3] >> (7 - (col & 7))) & 1) * 255;
      if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.num_grays != 256 && bitmap.num_grays > 1)
        v = v * 255 / (bitmap.num_grays - 1);
      // White on black; like GDI, the alpha byte is left 0.
      out[x] = (RasterPixel)v * 0x010101u;
    }
  }
}

bool RasterSysFontHasTextPath() { return false; }

int RasterSysFontDrawText(RasterFontHandle, RasterBitmap*, const char*, int, int*, unsigned, RasterPixel, int,
                          RasterPixel, float)
{
  return 0;
}

bool RasterIsWine() { return false; }
