#pragma once

// The numbering of monitored parameters that the numerics packet's IsValidData takes (and the
// configuration's IsVisible).
inline constexpr int kParamECG = 1;
inline constexpr int kParamSpO2 = 2;
inline constexpr int kParamSpO2R = 3;
inline constexpr int kParamTemp = 4;
inline constexpr int kParamNIBP = 5;
inline constexpr int kParamUC = 6;
inline constexpr int kParamIUP = 7;
inline constexpr int kParamFECG = 8;
inline constexpr int kParamFSpO2 = 9;
inline constexpr int kParamFSpO2R = 10;
inline constexpr int kParamFHR1 = 11;
inline constexpr int kParamFHR2 = 12;
inline constexpr int kParamFM1 = 13;
inline constexpr int kParamFM2 = 14;
