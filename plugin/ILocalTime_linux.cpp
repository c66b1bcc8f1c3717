#include "plugin/ILocalTime.h"

bool ILocalTime(std::time_t t, std::tm* out)
{
  return out && localtime_r(&t, out) != nullptr;
}
