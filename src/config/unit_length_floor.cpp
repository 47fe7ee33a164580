#include "config/unit_length_floor.h"

#include <climits>
#include <cmath>

int unit_length_floor(int floor, int a, float b, double k) {
  double sum = std::ceil(static_cast<double>(a) + static_cast<double>(b) * k);
  int value;
  if (sum >= static_cast<double>(INT_MAX)) {
    value = INT_MAX;
  } else if (sum > static_cast<double>(INT_MIN)) {
    value = static_cast<int>(sum);
  } else {
    value = INT_MIN;  // also NaN
  }
  return value > floor ? value : floor;
}
