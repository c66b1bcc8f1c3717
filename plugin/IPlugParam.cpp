#include "plugin/IPlugParam.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace
{
// Copies at most size - 1 bytes and always terminates: declarations are trusted to fit,
// but a long text must never run past its field.
void CopyBounded(char* field, int size, const char* text)
{
  int i = 0;
  if (text)
    for (; i < size - 1 && text[i]; ++i) field[i] = text[i];
  field[i] = 0;
}

bool IsWhole(double x)
{
  return std::floor(x) == x;
}
}  // namespace

IPlugParam::IPlugParam() : valueTexts(IStateChunk::kDefaultGranularity)
{
  name[0] = 0;
  label[0] = 0;
}

void IPlugParam::DeclareBool(const char* paramName, bool defaultOn)
{
  if (kind == kKindNone) kind = kKindBool;
  DeclareNumber(paramName, defaultOn ? 1.0 : 0.0, 0.0, 1.0, 1.0, "");
  AddValueText(0, "off");
  AddValueText(1, "on");
}

void IPlugParam::DeclareInt(const char* paramName, int defaultValue, int minimumValue,
                            int maximumValue, const char* paramLabel)
{
  if (kind == kKindNone) kind = kKindInt;
  DeclareNumber(paramName, defaultValue, minimumValue, maximumValue, 1.0, paramLabel);
}

void IPlugParam::DeclareNumber(const char* paramName, double defaultValue, double minimumValue,
                               double maximumValue, double stepValue, const char* paramLabel)
{
  if (kind == kKindNone) kind = kKindDouble;
  CopyBounded(name, kNameSize, paramName);
  CopyBounded(label, kNameSize, paramLabel);
  minimum = minimumValue;
  value = defaultValue;
  maximum = std::fmax(maximumValue, minimumValue + stepValue);
  step = stepValue;
  this->defaultValue = defaultValue;

  displayPrecision = 0;
  double s = stepValue;
  while (!IsWhole(s) && displayPrecision < kMaxDisplayPrecision)
  {
    ++displayPrecision;
    s *= 10.0;
  }
}

bool IPlugParam::AddValueText(int v, const char* text)
{
  IValueText entry;
  std::memset(&entry, 0, sizeof entry);
  entry.value = v;
  CopyBounded(entry.text, IValueText::kTextSize, text);
  const int before = valueTexts.Size();
  return valueTexts.AppendValue(entry) == before + (int)sizeof entry;
}

void IPlugParam::SetValue(double real)
{
  if (std::isnan(real) || real < minimum)
    value = minimum;
  else if (real > maximum)
    value = maximum;
  else
    value = real;
}

double IPlugParam::NormalizeValue(double real) const
{
  const double span = maximum - minimum;
  if (!(span > 0.0) || std::isnan(real)) return 0.0;
  if (real < minimum) real = minimum;
  if (real > maximum) real = maximum;
  const double n = std::pow((real - minimum) / span, 1.0 / shape);
  return std::isfinite(n) ? n : 0.0;
}

double IPlugParam::GetNormalizedValue() const
{
  return NormalizeValue(value);
}

double IPlugParam::FromNormalized(double normalized) const
{
  return minimum + std::pow(normalized, shape) * (maximum - minimum);
}

void IPlugParam::SetFromNormalized(double normalized)
{
  // Hosts are expected to send 0..1; anything else (including NaN) must still leave the
  // parameter inside its range.
  if (std::isnan(normalized) || normalized < 0.0) normalized = 0.0;
  double v = FromNormalized(normalized);
  if (kind != kKindDouble && step > 0.0 && std::isfinite(step))
    v = std::floor(v / step + 0.5) * step;
  if (v >= maximum) v = maximum;
  if (std::isnan(v) || v < minimum) v = minimum;
  value = v;
}

int IPlugParam::TruncateToInt(double x)
{
  if (std::isnan(x)) return 0;
  if (x <= (double)INT_MIN) return INT_MIN;
  if (x >= (double)INT_MAX) return INT_MAX;
  return (int)x;
}

double IPlugParam::ReadDecimal(const char* text)
{
  if (!text) return 0.0;
  while (*text == ' ' || *text == '\t') ++text;
  // Copy the longest prefix shaped like a decimal number, then let strtod read it with the
  // locale's own decimal point in place of "." (hosts may run with a locale that uses ",").
  char number[64];
  int n = 0;
  auto take = [&](char c) {
    if (n < (int)sizeof number - 1) number[n++] = c;
  };
  const char* p = text;
  if (*p == '+' || *p == '-') take(*p++);
  bool digits = false;
  while (*p >= '0' && *p <= '9') take(*p++), digits = true;
  if (*p == '.')
  {
    take(std::localeconv()->decimal_point[0]);
    ++p;
    while (*p >= '0' && *p <= '9') take(*p++), digits = true;
  }
  if (!digits) return 0.0;
  if (*p == 'e' || *p == 'E')
  {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (*e >= '0' && *e <= '9')
      for (; p < e || (*p >= '0' && *p <= '9'); ++p) take(*p);
  }
  number[n] = 0;
  return std::strtod(number, nullptr);
}

void IPlugParam::FormatValue(double x, bool isNormalized, char* out, bool useTexts, int outSize) const
{
  if (!out || outSize < 1) return;
  if (isNormalized) x = FromNormalized(x);

  if (useTexts && CountValueTexts() > 0)
  {
    const int key = TruncateToInt(x);
    const int n = CountValueTexts();
    for (int i = 0; i < n; ++i)
    {
      const IValueText* entry = GetValueTextAt(i);
      if (entry->value != key) continue;
      if (entry->text[0])
      {
        CopyBounded(out, outSize, entry->text);
        return;
      }
      break;
    }
  }

  if (negatedDisplay) x = -x;
  if (displayPrecision == 0)
  {
    std::snprintf(out, (size_t)outSize, "%d", TruncateToInt(x));
  }
  else
  {
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", displayPrecision);
    std::snprintf(out, (size_t)outSize, format, x);
  }
}

int IPlugParam::CountValueTexts() const
{
  return valueTexts.Size() / (int)sizeof(IValueText);
}

const IValueText* IPlugParam::GetValueTextAt(int position) const
{
  if (position < 0 || position >= CountValueTexts()) return nullptr;
  return reinterpret_cast<const IValueText*>(valueTexts.Data()) + position;
}

const char* IPlugParam::GetValueText(int v) const
{
  const int n = CountValueTexts();
  for (int i = 0; i < n; ++i)
  {
    const IValueText* entry = GetValueTextAt(i);
    if (entry->value == v) return entry->text;
  }
  return "";
}

bool IPlugParam::ParseValueText(const char* text, int* v) const
{
  if (!text) return false;
  const int n = CountValueTexts();
  for (int i = 0; i < n; ++i)
  {
    const IValueText* entry = GetValueTextAt(i);
    if (std::strcmp(entry->text, text) == 0)
    {
      if (v) *v = entry->value;
      return true;
    }
  }
  return false;
}
