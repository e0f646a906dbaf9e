#pragma once

namespace fo {

// Key codes of KeyDown and the ASCII codes of KeyPress that windows test.
namespace key {
inline constexpr int Backspace = 8;  // Backspace
inline constexpr int Tab = 9;  // Tab
inline constexpr int Enter = 13;  // Enter
inline constexpr int Escape = 27;  // Esc
inline constexpr int Left = 37;  // the left arrow
inline constexpr int Up = 38;  // the up arrow
inline constexpr int Right = 39;  // the right arrow
inline constexpr int Down = 40;  // the down arrow
inline constexpr int Quote = 39;  // "'" as a KeyPress code
}  // namespace key

// Mouse buttons of MouseDown/MouseUp.
namespace mouse {
inline constexpr int Left = 1;  // the left button
inline constexpr int Right = 2;  // the right button
}  // namespace mouse

// Colours as the windows store them (0x00BBGGRR).
namespace color {
inline constexpr int Black = 0;  // black
inline constexpr int Red = 255;  // red
inline constexpr int Blue = 0xFF0000;  // blue
}  // namespace color

enum class Alignment { Left = 0, Right = 1, Center = 2 };

}  // namespace fo
