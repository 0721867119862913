#pragma once
// What keeping the channels means when a system gets another receiver system type: every
// channel goes to the nearest point of the new type's tuning grid, unless that point is the
// frequency another channel will have, in which case it stays where it is (two channels never
// end up on one frequency). The plan is worked out before the user is asked, so that the
// question can say what will happen.

#include <cstdint>
#include <string>
#include <vector>

#include "model/CProject.h"

namespace kova {

struct TypeChangePlan {
  struct Move {
    int32_t mic = 0;  // 1-based channel number
    float from = 0.0f;
    float to = 0.0f;
  };
  int32_t channels = 0;
  std::vector<float> freqs;  // the frequency of channel i + 1 after the change
  std::vector<Move> moves;   // the channels that move, in channel order
  int32_t outside = 0;       // moving channels that lie outside the new tuning ranges
  int32_t offGrid = 0;       // moving channels inside the ranges but off the grid
  int32_t kept = 0;          // channels left where they are: they would land on another's frequency
};

TypeChangePlan MN_PlanTypeChange(const CSystemInstance& system, const CSystemType& newType);

// The lines that tell the user what keeping the channels does ("4 of 6 channels lie outside the
// new type's tuning ranges and would move to its nearest edge.", the moves, the channels left
// alone), joined with `lineBreak`; empty when no channel moves or stays off the grid.
std::string MN_TypeChangeText(const TypeChangePlan& plan, const char* lineBreak = "\r");

// Gives `system` the type `newType` and its channels the planned frequencies.
void MN_ApplyTypeChange(CSystemInstance& system, TypeRef newType, const TypeChangePlan& plan);

}  // namespace kova
