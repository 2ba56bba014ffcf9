// Splash screen: the chosen runtime's splash library fed with the image
// resource, and the splash text settings handed to the Java side.
#pragma once

// Non-zero shows the splash (only when the runtime's splash library is
// configured), zero closes it if it is shown.
void showSplash(int show);
// Passes the two splash text lines to the Java launcher class.
void configureJavaSplash();
