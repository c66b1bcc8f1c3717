#pragma once

#include <cstdio>

// Opens the file at the UTF-8 `path` for binary reading, or answers null. On Windows NT the
// path is converted to a wide path first; a path that does not convert, or whose wide form
// does not open, is tried unconverted.
// any thread
std::FILE* RasterPngOpenFile(const char* path);
