// Conversions between host samples and working floats. Host to float multiplies by the
// reciprocal of the full scale in double precision; float to host multiplies by the full
// scale in double precision and truncates toward zero. A C++ conversion truncates by
// definition, so the shared floating-point control word (other host threads use it) is
// never touched. No clamping: producers keep values in 0..1.
#pragma once

#include <cstdint>

template <int FullScale>
struct SampleScale;

template <>
struct SampleScale<255> {
  static constexpr double kReciprocal = 0.00392156862745098;  // 1/255
  static constexpr double kScale = 255.0;
};

template <>
struct SampleScale<32768> {
  static constexpr double kReciprocal = 3.0517578125e-05;  // 2^-15, exact
  static constexpr double kScale = 32768.0;
};

template <int FullScale, typename Sample>
inline double SampleToDouble(Sample s) {
  return double(s) * SampleScale<FullScale>::kReciprocal;
}

template <int FullScale, typename Sample>
inline float SampleToFloat(Sample s) {
  return float(double(s) * SampleScale<FullScale>::kReciprocal);
}

// Stores the low bits of the truncated value, as the host sample width dictates. Values are
// kept in single precision by callers: float(s/255) x 255 truncates back to s for every 8-bit
// s, which the same computation in double does not.
template <int FullScale, typename Sample>
inline Sample FloatToSample(double v) {
  return static_cast<Sample>(static_cast<int32_t>(v * SampleScale<FullScale>::kScale));
}
