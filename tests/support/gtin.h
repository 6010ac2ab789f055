#pragma once

#include <string>

namespace vellomir::test {

// The check digit of a GTIN as the standard defines it, worked out independently of the
// painters: from the right, weights 3, 1, 3, ...
inline char GtinCheckDigit(const std::string& digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

}  // namespace vellomir::test
