// "I expect ...": the value the user says the device should show, and the
// readings of the registers ranked by how close they come to it, across
// types, byte orders and a start one register before or after the chosen
// ones, so that an address off by one shows up as such. No window needed.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

#include "values/register_decode.h"

namespace zentiq {

struct Expectation {
    enum class Kind { None, Number, Text };
    Kind kind = Kind::None;
    double number = 0;
    // A whole number typed as one: compared exactly with integer readings.
    bool integral = false;
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool hexTyped = false;  // "0x..."
    // Half a unit of the last digit typed ("230.5": 0.05, "100": 0.5); 0
    // when the digits say nothing ("1e3"). A float that close is the value
    // the user means, whatever the relative tolerance says.
    double resolution = 0;
    QByteArray text;
};

// "230.5", "-12", "0x1F", "0b101" are numbers; "ABC" in quotes, or anything
// that is not a number, is text. Blank gives Kind::None.
Expectation ParseExpectation(const QString& typed);

struct DecodeCandidate {
    DecodeReading reading;
    int start = 0;   // index into the words
    int offset = 0;  // -1 one register before the chosen starts, +1 after, 0 one of them
    DecodedValue value;
    double score = 0;  // 0 exact; otherwise the relative distance
    // Within what a user accepts as the value: integers and text exactly,
    // floats within kFloatMatch or the typed digits. Anything else is only
    // the nearest reading, never "the value".
    bool match = false;
    // An integer that holds the value times 10^scale (235 for 23.5: 1).
    int scale = 0;
    // Registers the reading spans (text: as many as the expected text fills).
    int registers = 1;
};

// A candidate further off than this is not offered.
inline constexpr double kFarthestCandidate = 0.5;
// The relative distance at which a float reading is still the typed value.
inline constexpr double kFloatMatch = 1e-4;
// Integers scaled by 10^k are recognised for k in -kMaxScale..kMaxScale.
inline constexpr int kMaxScale = 3;

// The readings of `words` from each of `chosenStarts` (sorted, inside the
// words) and from the register just before and after them, closest to
// `expected` first: matches (unscaled before scaled), then by distance; a
// reading of several registers from the second of exactly two adjacent
// chosen registers runs past them and counts as one register after (offset
// +1), as a start before them does. At equal distance the
// chosen starts before their neighbours, readings a display format can show
// before others, fewer registers before more. At most `limit` candidates;
// implausible readings are left out, and of a signed and an unsigned reading
// of the same bits with the same value only the first is kept.
std::vector<DecodeCandidate> RankCandidates(std::span<const std::uint16_t> words,
                                            std::span<const int> chosenStarts,
                                            const Expectation& expected, std::size_t limit);

}  // namespace zentiq
