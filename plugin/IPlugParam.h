#pragma once

#include "plugin/IRelaxed.h"
#include "plugin/IStateChunk.h"
#include "plugin/IValueText.h"

// One automatable parameter: real units inside the core, 0..1 at the host boundary.
class IPlugParam
{
public:
  enum EKind
  {
    kKindNone = 0,
    kKindBool,
    kKindInt,
    kKindDouble
  };

  static constexpr int kNameSize = 32;  // name and label fields, terminator included
  static constexpr int kMaxDisplayPrecision = 6;

  IPlugParam();

  IPlugParam(const IPlugParam&) = delete;
  IPlugParam& operator=(const IPlugParam&) = delete;

  // Declaration. The first initialiser that runs fixes the kind. Texts longer than their
  // 32-byte field are cut to fit.
  void DeclareBool(const char* name, bool defaultOn);
  void DeclareInt(const char* name, int defaultValue, int minimum, int maximum, const char* label);
  void DeclareNumber(const char* name, double defaultValue, double minimum, double maximum,
                     double step, const char* label);
  // False when the table could not grow.
  bool AddValueText(int value, const char* text);

  EKind GetKind() const { return kind; }
  double GetValue() const { return value; }
  double GetMinimum() const { return minimum; }
  double GetMaximum() const { return maximum; }
  double GetStep() const { return step; }
  double GetShape() const { return shape; }
  double GetDefault() const { return defaultValue; }
  int GetDisplayPrecision() const { return displayPrecision; }
  const char* GetParamName() const { return name; }
  const char* GetParamLabel() const { return label; }
  bool GetNegatedDisplay() const { return negatedDisplay; }
  void SetNegatedDisplay(bool negated) { negatedDisplay = negated; }

  // Sets a real value directly: clamped into [minimum, maximum], not rounded to the step;
  // a value that is not a number becomes the minimum.
  void SetValue(double real);

  double GetNormalizedValue() const;
  double NormalizeValue(double real) const;
  double FromNormalized(double normalized) const;
  void SetFromNormalized(double normalized);

  // Writes the display text, at most outSize bytes with the terminator (nothing when
  // outSize < 1 or out is null).
  void FormatValue(double x, bool isNormalized, char* out, bool useTexts,
                   int outSize = IValueText::kTextSize) const;

  int CountValueTexts() const;
  // Entry by position in the table, null outside it.
  const IValueText* GetValueTextAt(int position) const;
  // The text of the first entry for v, or "".
  const char* GetValueText(int v) const;
  // Exact, case-sensitive match; stores the entry's value and answers true on the first hit.
  bool ParseValueText(const char* text, int* v) const;

  // x truncated toward zero, saturated into the int range; a value that is not a number
  // gives 0.
  static int TruncateToInt(double x);
  // The decimal number at the start of text ("-12.5", "3e2"; leading blanks skipped), read
  // with "." as the decimal point whatever the process's locale; 0 when there is none.
  static double ReadDecimal(const char* text);

private:
  EKind kind = kKindNone;
  // Written under the instance lock; the editor reads it for its value text without the
  // lock, on its own thread.
  IRelaxed<double> value = 0.0;
  double minimum = 0.0;
  double maximum = 1.0;
  double step = 1.0;
  double shape = 1.0;
  double defaultValue = 0.0;
  int displayPrecision = 0;
  char name[kNameSize];
  char label[kNameSize];
  bool negatedDisplay = false;
  IStateChunk valueTexts;
};
