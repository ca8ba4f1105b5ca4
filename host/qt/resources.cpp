#include "host/qt/resources.h"

#include <QtCore/QDir>

// Outside any namespace, as Q_INIT_RESOURCE requires.
void fenwingInitResources() { Q_INIT_RESOURCE(assets); }
