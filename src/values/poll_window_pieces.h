// The poll windows a found block of the address map opens: consecutive
// reads of at most what one request may read of the table (125 registers,
// 2000 coils or inputs), covering the block exactly.
#pragma once

#include <vector>

#include "framework/address_map_planner.h"

namespace zentiq {

// Empty for a function other than 1..4 or a quantity below 1.
std::vector<AddressRange> PollWindowPieces(int function, int address, int quantity);

}  // namespace zentiq
