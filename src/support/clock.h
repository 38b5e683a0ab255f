// Wall-clock time, sleeping and the compass angle of a direction.
#pragma once

#include <cstdint>

// Microseconds since the epoch; 0 on failure.
int64_t vesk_gettimeofday_useconds();
void sleep_ms(int ms);
// Whole degrees 0 to 360 of the vector (dx, dy); 90 for the zero vector.
int direction_angle(int dx, int dy);
