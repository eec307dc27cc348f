#include "ward/LocalTimeText.h"

std::string LocalTimeText(const char* format, std::time_t instant) {
  std::tm local{};
  localtime_r(&instant, &local);
  char text[64];
  const std::size_t length = std::strftime(text, sizeof text, format, &local);
  return std::string(text, length);
}

std::string StampText(std::time_t instant) { return LocalTimeText("%Y-%m-%d %H:%M:%S %z", instant); }
