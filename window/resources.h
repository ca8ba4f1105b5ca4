// The pictures and icons embedded in the program.
#pragma once

// Registers the embedded resources; call once before loading any picture.
void fenwingInitResources();
