// The HTTP client's floor on progress shortened for the life of a guard, so that a trickling
// server is caught within seconds instead of the product's half minute.
#pragma once

#include "net/httprouting.h"

#include <chrono>

namespace xiuyun::testing {

class ShortProgressFloor {
public:
    ShortProgressFloor(long long bytesPerSecond, std::chrono::milliseconds window) {
        setProgressFloor(bytesPerSecond, window);
    }
    ~ShortProgressFloor() { resetProgressFloor(); }
    ShortProgressFloor(const ShortProgressFloor&) = delete;
    ShortProgressFloor& operator=(const ShortProgressFloor&) = delete;
};

} // namespace xiuyun::testing
