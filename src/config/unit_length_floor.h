#ifndef VELKOR_CONFIG_UNIT_LENGTH_FLOOR_H
#define VELKOR_CONFIG_UNIT_LENGTH_FLOOR_H

// max(floor, ceil(a + b * k)), the sum formed in double precision from the
// single-precision b and saturated to the int range, so that extreme option
// values can never overflow.
int unit_length_floor(int floor, int a, float b, double k);

#endif
