#include "mirror/stacking.h"

namespace orvane {

stacking_action decide_stacking(const stacking_facts& facts) noexcept {
    if (facts.game_minimized) {
        return {};
    }
    stacking_action action;
    if (facts.game_topmost != facts.mirror_topmost) {
        action.topmost =
            facts.game_topmost ? topmost_change::make_topmost : topmost_change::make_not_topmost;
    }
    // A change of band puts the mirror at the top of it: back just above the
    // game at once.
    action.move_just_above_game = action.topmost != topmost_change::none ||
                                  facts.place == mirror_place::below_game ||
                                  facts.place == mirror_place::above_a_game_window;
    // Only the foreground process may pass the foreground on.
    if (facts.foreground == foreground_holder::mirror) {
        action.give_keyboard_to = facts.game_window_above;
    }
    return action;
}

} // namespace orvane
