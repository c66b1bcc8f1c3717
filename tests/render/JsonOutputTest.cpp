#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tools/vst2-render/Json.h"

using namespace vrender;

TEST(JsonOutput, NumbersPrintWholeWhenWholeAndNullWhenNotFinite) {
  const Json j = {{"zero", NumberOrNull(0.0)},
                  {"rate", NumberOrNull(44100.0)},
                  {"half", NumberOrNull(0.5)},
                  {"silence", NumberOrNull(-std::numeric_limits<double>::infinity())},
                  {"nan", NumberOrNull(std::nan(""))},
                  {"huge", NumberOrNull(1e300)}};
  EXPECT_EQ(JsonText(j), "{\"zero\":0,\"rate\":44100,\"half\":0.5,\"silence\":null,\"nan\":null,\"huge\":1e+300}");
}

TEST(JsonOutput, KeysKeepTheirOrderAndBadTextIsReplacedNotRefused) {
  Json j = Json::object();
  j["name"] = std::string("Qualit\xE4t");  // Latin-1, as some plug-ins report it
  j["a"] = "tab\there \"quoted\"";
  EXPECT_EQ(JsonText(j), "{\"name\":\"Qualit\xEF\xBF\xBDt\",\"a\":\"tab\\there \\\"quoted\\\"\"}");
}
