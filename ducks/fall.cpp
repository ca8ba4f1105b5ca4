#include "ducks/duck.h"

namespace fenwing {

namespace {
constexpr float kFallStep = 80.0f;
}

bool fallOneTick(Duck& duck, const DuckScene& scene) {
    if (duck.flight.Enabled()) return false;  // still flying
    Image& img = duck.image;
    if (img.Visible()) {
        img.setTop(img.Top() + kFallStep);
        img.setPicture(scene.dead.picture());
    }
    // Touching the field's bottom edge is enough; the move above comes first, so a duck is
    // hidden in the tick that brings it there.
    const float bottom = img.Top() + img.Height();
    const float fieldBottom = scene.field.Top() + scene.field.Height();
    if (bottom < fieldBottom) return false;
    const bool landed = img.Visible();
    duck.fall.setEnabled(false);
    img.setVisible(false);
    return landed;
}

}  // namespace fenwing
