// What windows need before the first one is made, set up then and not as the
// program loads, so that a run without windows never touches the display.
#pragma once

// Sets up the common controls the first time it is called. Every path that
// makes a window calls it first; the theme record builds itself at its first
// use (UiTheme::Get). UI thread.
void PrepareFirstWindow();
