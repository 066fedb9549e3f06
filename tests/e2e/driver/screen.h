// What the main window should look like, in client pixels: where swatches lie and how the
// background picture can be told apart from everything drawn over it.
#pragma once

#include <windows.h>

#include <string>

#include "capture.h"

namespace varnel::e2e {

// Swatch i (1 to 255) of the 15-column grid: left/top 7 + 18 per step, 15 pixels square.
RECT SwatchRect(int index);
POINT SwatchCentre(int index);

// The brushed-metal picture: greys and faint near-greys, never black, white or saturated.
// Swatch colours (green with no red or blue) and the frame's black and white fail it.
bool IsBackground(const Rgb& colour);

std::string Describe(const Rgb& colour);

// Saves `pixels` as <artefact folder>/<name>.bmp (the harness turns it into a PNG).
void KeepScreenshot(const Pixels& pixels, const std::string& name);

}  // namespace varnel::e2e
