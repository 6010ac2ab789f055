#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/drawing_surface.h"

// The About box: a few centred lines about the program, and an OK button that closes it.
namespace vellomir {

inline constexpr std::string_view kAboutCaption = "About...";
inline constexpr std::string_view kAboutOkCaption = "ok啦!";

inline constexpr int kAboutLineSlots = 51;
// Drawing always prints this many lines, empty ones included.
inline constexpr int kAboutDrawnLines = 16;

struct AboutText {
  std::array<std::string, kAboutLineSlots> lines;
  int count = 0;  // one past the last filled line
};

// The lines as the box fills them when it loads: the title, then the notice.
AboutText FillAboutText();

// Prints lines 0 to 15, each centred on a surface `width` twips wide, from y = 300 down. A
// line wider than the surface starts left of its edge. The surface is cleared first, so
// drawing again gives the same picture as drawing once.
void DrawAboutText(const AboutText& text, DrawingSurface& surface, double width);

}  // namespace vellomir
