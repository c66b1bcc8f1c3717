#include "raster/RasterPng.h"
#include "raster/RasterResource.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const RasterResourceEntry kEntries[] = {
    {200, "PNG", kSignature, 7}, // too short to be a PNG
    {201, "PNG", kSignature, 8}, // the signature and nothing else
    {202, "DATA", kSignature, 8},
};
RasterResourceTable table = {kEntries, 3, nullptr, nullptr};
const bool registered = (RasterRegisterResourceTable(&table), true);

} // namespace

// Tables belong to the module they are linked into and are searched by number and type.
TEST(PngResourceTable, LookupIsByModuleNumberAndType)
{
  ASSERT_TRUE(registered);
  RasterModuleHandle module = RasterGetModuleHandle();
  EXPECT_EQ(table.module, module);
  const unsigned char* data = nullptr;
  int size = 0;
  EXPECT_TRUE(RasterFindResource(module, 201, "PNG", &data, &size));
  EXPECT_EQ(data, kSignature);
  EXPECT_EQ(size, 8);
  EXPECT_FALSE(RasterFindResource(module, 202, "PNG", &data, &size));
  EXPECT_FALSE(RasterFindResource(reinterpret_cast<RasterModuleHandle>(&table), 201, "PNG",
                                  &data, &size));
  EXPECT_FALSE(RasterFindResource(nullptr, 201, "PNG", &data, &size));
}

TEST(PngResourceTable, ResourcesThatAreNoCompletePngYieldNull)
{
  RasterModuleHandle module = RasterGetModuleHandle();
  EXPECT_EQ(RasterLoadPngResource(module, 200, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngResource(module, 201, nullptr), nullptr);
  EXPECT_EQ(RasterLoadPngResource(module, 202, nullptr), nullptr);
}
