#include "app/warm_up.h"

#include <QtGui/QFontDatabase>
#include <QtGui/QImageReader>

#ifdef FENWING_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace fenwing::app {

void loadFontConfiguration() {
#ifdef FENWING_HAVE_FONTCONFIG
    FcInit();  // Qt's font database calls it too, and finds it done
#endif
}

void loadQtParts() {
    QImageReader::supportedImageFormats();  // asks, and so loads, every image format plugin
    QFontDatabase::families();
}

}  // namespace fenwing::app
