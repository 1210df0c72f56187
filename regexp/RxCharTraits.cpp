#include "regexp/RxCharTraits.h"

#include <cctype>

void RxCaseTables::Load() {
    for (int c = 0; c < 256; ++c) {
        int up = std::toupper(c);
        int low = std::tolower(c);
        upper[c] = static_cast<unsigned char>(up >= 0 && up <= 0xFF ? up : c);
        lower[c] = static_cast<unsigned char>(low >= 0 && low <= 0xFF ? low : c);
    }
}
