#include "values/poll_window_pieces.h"

#include <algorithm>

#include "framework/address_map_scan.h"

namespace zentiq {

std::vector<AddressRange> PollWindowPieces(int function, int address, int quantity) {
    std::vector<AddressRange> pieces;
    if (function < 1 || function > 4 || quantity < 1 || address < 0)
        return pieces;
    const int most = AddressMapScan::MaxQuantity(function);
    const int last = std::min(address + quantity - 1, 65535);
    for (int a = address; a <= last; a += most)
        pieces.push_back({a, std::min(a + most - 1, last)});
    return pieces;
}

}  // namespace zentiq
