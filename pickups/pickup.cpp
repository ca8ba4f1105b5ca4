#include "pickups/pickup.h"

#include "host/text.h"

namespace fenwing {

void countDown(Pickup& item) { item.countdown.setCaption(Str(Val(item.countdown.Caption()) - 1)); }

bool moveOneTick(Pickup& item, const Image& field) {
    // The countdown is compared as text: a positive count sorts after "0" and the item waits;
    // "0" and every negative count ("-" sorts before "0") keep a crossing going.
    if (StrCompOrdinal(item.countdown.Caption(), "0") > 0) return false;
    Image& img = item.image;
    img.setVisible(true);
    img.setLeft(img.Left() + item.spec.step);
    if (item.spec.step < 0) return img.Left() <= field.Left();
    const float fieldRight = field.Width() + field.Left();
    const float itemRight = img.Width() + img.Left();
    return fieldRight <= itemRight;
}

}  // namespace fenwing
