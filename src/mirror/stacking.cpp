#include "mirror/stacking.h"

namespace orvane {

stacking_action decide_stacking(const stacking_facts& facts) noexcept {
    stacking_action action;
    if (facts.game_minimized) {
        action.move_just_above_game = facts.mirror_topmost && !facts.game_topmost;
        return action;
    }
    action.move_just_above_game = facts.game_topmost != facts.mirror_topmost ||
                                  facts.place == mirror_place::below_game ||
                                  facts.place == mirror_place::above_a_game_window;
    // Only the foreground process may pass the foreground on.
    if (facts.foreground == foreground_holder::mirror) {
        action.give_keyboard_to = facts.game_window_above;
    }
    return action;
}

} // namespace orvane
