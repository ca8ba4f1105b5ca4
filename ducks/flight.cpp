#include "ducks/duck.h"

namespace fenwing {

void flyOneTick(Duck& duck, const DuckScene& scene) {
    Image& img = duck.image;
    const float s = duck.step;

    if (duck.up == True) {
        img.setTop(img.Top() - s);
    } else if (duck.up == False) {
        img.setTop(img.Top() + s);
    }
    if (duck.left == True) {
        img.setLeft(img.Left() - s);
    } else if (duck.left == False) {
        img.setLeft(img.Left() + s);
    }

    // One chain, top, left, right, bottom: the first edge that holds is the only bounce this
    // tick. A duck exactly on an edge line bounces. The sums are single precision.
    const Image& field = scene.field;
    const float fieldRight = field.Left() + field.Width();
    const float fieldBottom = field.Top() + field.Height();
    if (img.Top() <= field.Top()) {
        duck.up = False;
    } else if (img.Left() <= field.Left()) {
        duck.left = False;
        img.setPicture(scene.facingRight.picture());
    } else if (img.Left() + img.Width() >= fieldRight) {
        duck.left = True;
        img.setPicture(scene.facingLeft.picture());
    } else if (img.Top() + img.Height() >= fieldBottom) {
        duck.up = True;
    }
}

}  // namespace fenwing
