#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/Vossamere2.h"
#include "tests/host/VstTestHost.h"

// The product's entry, in process: what the module's VSTPluginMain does.
AEffect* ProductMain(audioMasterCallback host);

// An adapter-level plug-in with a configurable shape that logs the core hooks it sees.
struct LoggingPlugConfig {
  const char* channelIO = "1-2 2-2";
  int presets = 1;
  int params = 2;
  bool midi = false;
  bool instrument = false;
};
class LoggingPlug : public IPlugVST {
 public:
  LoggingPlug(audioMasterCallback host, const LoggingPlugConfig& config);
  void OnReset() override;
  void OnParameterChanged(int index) override;
  void OnActivate(bool active) override;
  std::vector<std::string> log;
};
// Creates a LoggingPlug through the adapter's creation path with this shape.
AEffect* CreateLoggingPlug(VstTestHost& host, const LoggingPlugConfig& config);

class ProductTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  Vossamere2& Product() { return *static_cast<Vossamere2*>(IPlugVST::FromEffect(fx.Record())); }

  VstTestHost host;
  VstEffect fx;
};
