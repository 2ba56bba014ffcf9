// Splash screen: the chosen runtime's splash library fed with the image
// resource, and the splash text settings handed to the Java side.
#pragma once

// Non-zero shows the splash (only when the runtime's splash library is
// configured, the runtime's jvm.dll is loaded and the executable carries
// the image), zero closes it if it is shown.
void showSplash(int show);
// Closes the splash if it is open; safe from any thread and any number of
// times (the error box, the window watcher and the end of the work routine
// may all come to it).
void closeSplash();
// Passes the two splash text lines to the Java launcher class.
void configureJavaSplash();
