// Start-up work that the first frame waits for but that need not be done on the main thread:
// run beside it, on another core, while the main thread connects to the display and builds the
// window. Each is what Qt would otherwise do itself on the main thread a little later; having
// been done, it is not done again.
#pragma once

namespace fenwing::app {

// Before the application object exists: fontconfig's configuration and font cache (no Qt).
void loadFontConfiguration();

// Once it exists: the image format plugins, which the menu bar's style icons make Qt load, and
// Qt's list of the fonts, which the menu bar and the labels need.
void loadQtParts();

}  // namespace fenwing::app
