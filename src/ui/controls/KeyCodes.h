#pragma once

namespace fo {

// Key codes of KeyDown and the ASCII codes of KeyPress that windows test.
namespace key {
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Escape = 27;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Quote = 39;  // "'" as a KeyPress code
}  // namespace key

// Mouse buttons of MouseDown/MouseUp.
namespace mouse {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
}  // namespace mouse

// Colours as the windows store them (0x00BBGGRR).
namespace color {
inline constexpr int Black = 0;
inline constexpr int Red = 255;
inline constexpr int Blue = 0xFF0000;
}  // namespace color

enum class Alignment { Left = 0, Right = 1, Center = 2 };

}  // namespace fo
