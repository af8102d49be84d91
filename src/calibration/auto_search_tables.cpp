#include "calibration/auto_search_tables.h"

#include <cstdlib>

namespace AutoSearch {

int samplesFor(int average) {
    const int a = std::abs(average);
    if (a >= 25) {
        return 1;
    }
    if (a >= 10) {
        return 4;
    }
    if (a >= 5) {
        return 15;
    }
    if (a >= 3) {
        return 25;
    }
    if (a == 2) {
        return 40;
    }
    return 75;
}

int stepFor(int average) {
    const int a = average;
    if (a >= 501) {
        return -100;
    }
    if (a >= 151) {
        return -50;
    }
    if (a >= 51) {
        return -20;
    }
    if (a >= 11) {
        return -5;
    }
    if (a >= 4) {
        return -2;
    }
    if (a >= 1) {
        return -1;
    }
    if (a == 0) {
        return 0;
    }
    if (a >= -3) {
        return 1;
    }
    if (a >= -10) {
        return 2;
    }
    if (a >= -50) {
        return 5;
    }
    if (a >= -150) {
        return 20;
    }
    if (a >= -500) {
        return 50;
    }
    if (a >= -1000) {
        return 100;
    }
    return 200;
}

}  // namespace AutoSearch
