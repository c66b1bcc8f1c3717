#include "plugin/IPlugPreset.h"

#include <cstdio>

IPlugPreset::IPlugPreset()
{
  std::snprintf(name, sizeof name, "%s", "empty");
}

void IPlugPreset::SetName(const char* text)
{
  int i = 0;
  if (text)
    for (; i < kNameSize - 1 && text[i]; ++i) name[i] = text[i];
  name[i] = 0;
}
