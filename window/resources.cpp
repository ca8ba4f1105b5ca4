#include "window/resources.h"

#include <QtCore/QDir>

// Outside any namespace, as Q_INIT_RESOURCE requires.
void fenwingInitResources() {
    Q_INIT_RESOURCE(assets);
    Q_INIT_RESOURCE(baked);  // the pictures ready to draw, made at build time
}
