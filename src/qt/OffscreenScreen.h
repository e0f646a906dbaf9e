#pragma once

namespace fo::qt {

// Puts the next QApplication on the offscreen platform with one screen of
// `width` x `height` pixels at 96 dots per inch, so windows drawn there (the
// tour's pictures, the binding's tests) meet the room of an office PC's
// screen instead of the platform's 800x600. Call before the QApplication
// is made.
void useOffscreenScreen(int width, int height);

// The smallest screen a clerk's PC has.
constexpr int kOfficeScreenWidth = 1366, kOfficeScreenHeight = 768;

}  // namespace fo::qt
