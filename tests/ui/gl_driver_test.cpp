#include "ui/gl_driver.h"

#include <gtest/gtest.h>

namespace skelvar::ui {
namespace {

TEST(GlDriver, SoftwareRasterisersAreToldFromGraphicsCardsByTheirRendererStrings) {
  // Renderer strings as the drivers report them.
  EXPECT_TRUE(IsSoftwareRasteriser("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(IsSoftwareRasteriser("softpipe"));
  EXPECT_TRUE(IsSoftwareRasteriser("Software Rasterizer"));
  EXPECT_TRUE(IsSoftwareRasteriser("Mesa X11 swrast"));
  EXPECT_TRUE(IsSoftwareRasteriser(
      "ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero) (0x0000C0DE)), SwiftShader "
      "driver)"));
  // Hardware drivers built on LLVM name it too.
  EXPECT_FALSE(IsSoftwareRasteriser("AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)"));
  EXPECT_FALSE(IsSoftwareRasteriser("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(IsSoftwareRasteriser("NVIDIA GeForce GTX 1660/PCIe/SSE2"));
  // A renderer whose driver is not known is taken as it is.
  EXPECT_FALSE(IsSoftwareRasteriser(""));
}

}  // namespace
}  // namespace skelvar::ui
