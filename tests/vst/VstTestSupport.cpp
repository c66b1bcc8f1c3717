#include "tests/vst/VstTestSupport.h"

#include "vst/IPlugVSTEntry.h"

AEffect* ProductMain(audioMasterCallback host) {
  return IPlugVSTCreate(host, &MakeVossamere2);
}

LoggingPlug::LoggingPlug(audioMasterCallback host, const LoggingPlugConfig& c)
    : IPlugVST(host, c.params, c.channelIO, c.presets, "Logging", "Log Product", "Log Maker",
               0x00020304, VstFourCC('L', 'o', 'g', '1'), VstFourCC('T', 'e', 's', 't'), 0,
               c.midi, false, c.instrument) {
  for (int i = 0; i < c.params; ++i) GetParam(i)->DeclareInt("P", 0, 0, 10, "");
}

void LoggingPlug::OnReset() {
  IPlugVST::OnReset();
  log.push_back("reset");
}

void LoggingPlug::OnParameterChanged(int index) {
  IPlugVST::OnParameterChanged(index);
  log.push_back("param " + std::to_string(index));
}

void LoggingPlug::OnActivate(bool active) {
  IPlugVST::OnActivate(active);
  log.push_back(active ? "activate" : "deactivate");
}

namespace {
LoggingPlugConfig pendingConfig;
IPlugVST* MakeLoggingPlug(audioMasterCallback host) {
  return new LoggingPlug(host, pendingConfig);
}
AEffect* LoggingMain(audioMasterCallback host) {
  return IPlugVSTCreate(host, &MakeLoggingPlug);
}
}  // namespace

AEffect* CreateLoggingPlug(VstTestHost& host, const LoggingPlugConfig& config) {
  pendingConfig = config;
  return host.Create(&LoggingMain);
}

void ProductTest::SetUp() {
  fx = VstEffect(host.Create(&ProductMain), &host);
  ASSERT_TRUE(fx);
}

void ProductTest::TearDown() {
  fx.Close();
}
