// Setters, Validate and Randomize, checked against values worked out by hand or by a plain
// reference formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "ParamsTestSupport.h"
#include "params/pfParameterKinds.h"
#include "params/pfParameters.h"
#include "params/pfUndo.h"

namespace {
// Triangle wave of period 2n written differently from the code under test: the remainder
// modulo 2n, mirrored in its upper half.
double ReferenceFold(double v, double n) {
  if (n == 0) return std::fabs(v);
  double m = std::fmod(v, 2 * n);
  if (m < 0) m += 2 * n;
  double r = m <= n ? m : 2 * n - m;
  if (r == n && !(v >= 0 && v < n)) r = n - 0.0001;
  return r;
}
// The next draw the parameters will see after srand(seed), as a fraction.
double Draw() { return (std::rand() % 32768) / 32767.0; }
}  // namespace

TEST(ReflectIntoRange, HandWorkedCases) {
  EXPECT_DOUBLE_EQ(ReflectIntoRange(4.0, 2), 0.0);
  EXPECT_DOUBLE_EQ(ReflectIntoRange(2.0, 2), 1.9999);
  EXPECT_DOUBLE_EQ(ReflectIntoRange(-2.0, 2), 1.9999);
  EXPECT_DOUBLE_EQ(ReflectIntoRange(0.3, 0), 0.3);
  EXPECT_DOUBLE_EQ(ReflectIntoRange(-0.3, 0), 0.3);
  for (double v = -9.7; v < 9.7; v += 0.173) {
    EXPECT_NEAR(ReflectIntoRange(v, 3), ReferenceFold(v, 3), 1e-12) << v;
  }
}

TEST(ParameterSetters, FloatChangeDetectionCallbackAndRefresh) {
  pfParameterFloat f;
  CountingControl control;
  control.SetParameter(&f);
  CallbackCount cb;
  cb.Attach(f);
  EXPECT_TRUE(f.SetValue(0.5));
  EXPECT_EQ(control.refreshes, 1);
  EXPECT_EQ(cb.calls, 1);
  // Same value: callback yes, refresh no, result false.
  EXPECT_FALSE(f.SetValue(0.5));
  EXPECT_EQ(control.refreshes, 1);
  EXPECT_EQ(cb.calls, 2);
  f.SetAffectsPreview(false);
  EXPECT_FALSE(f.SetValue(0.75));
  EXPECT_EQ(f.GetValue(), 0.75);
  EXPECT_EQ(control.refreshes, 2);
}

TEST(ParameterValidate, ClampsOnlyEnforcedBounds) {
  pfParameterFloat f;
  CallbackCount cb;
  cb.Attach(f);
  f.SetMin(0, true);
  f.SetMax(1, true);
  f.SetValue(1.5);
  f.Validate();
  EXPECT_EQ(f.GetValue(), 1.0);
  f.SetMax(1, false);
  f.SetValue(1.5);
  f.Validate();
  EXPECT_EQ(f.GetValue(), 1.5);
  f.SetValue(-2);
  cb.calls = 0;
  f.Validate();
  EXPECT_EQ(f.GetValue(), 0.0);
  EXPECT_EQ(cb.calls, 1);
}

TEST(ParameterRandomize, FollowsTheFormula) {
  pfParameterFloat f;
  f.SetMin(-1, true);
  f.SetMax(2, false);
  f.SetValue(0.4);
  std::srand(1234);
  const double rf = Draw();
  std::srand(1234);
  f.Randomize(0.8);
  EXPECT_NEAR(f.GetValue(), ReferenceFold((rf - 0.5) * 3 * 0.8 + 1.4, 3) - 1, 1e-12);
}

TEST(Parameters, RandomizeAllIsOneUndoStep) {
  pfParameters all;
  pfParameterFloat f[20];
  for (int i = 0; i < 20; ++i) {
    f[i].SetMax(10, false);
    f[i].SetValue(5);
    all.AddParameter(&f[i]);
  }
  f[3].SetRandomizable(false);
  pfUndoHistory history;
  history.SetEnabled(true);
  all.RandomizeAll(1.0, &history);
  double randomized[20];
  int changed = 0;
  for (int i = 0; i < 20; ++i) {
    randomized[i] = f[i].GetValue();
    changed += randomized[i] != 5;
  }
  EXPECT_EQ(f[3].GetValue(), 5);
  EXPECT_EQ(changed, 19);  // only a draw of exactly 0.5 would keep 5; k / 32767 never is
  EXPECT_TRUE(history.Undo());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(f[i].GetValue(), 5) << i;
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.Redo());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(f[i].GetValue(), randomized[i]) << i;
}
