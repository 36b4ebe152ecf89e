#include "marking/marking_state.h"

namespace marking {

MarkingState& marking_state()
{
    static MarkingState state;
    return state;
}

void reset_marking_state()
{
    marking_state() = MarkingState{};
}

}  // namespace marking
