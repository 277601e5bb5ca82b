#include "Unit1/dialog_colours.h"

namespace Unit1 {
namespace {

/// How far the status line's background lies from the window colour toward the text
/// colour, in 255ths: on white with black text, the design's RGB(231,231,231).
constexpr unsigned kStatusShade = 24;

/// `from` moved `shade`/255 of the way toward `to`, each channel rounded to the nearest.
Colour Toward(Colour from, Colour to, unsigned shade) {
  Colour mixed = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const unsigned a = (from >> shift) & 0xFFu;
    const unsigned b = (to >> shift) & 0xFFu;
    mixed |= static_cast<Colour>((a * (255 - shade) + b * shade + 127) / 255) << shift;
  }
  return mixed;
}

}  // namespace

DialogColours ChooseDialogColours(bool highContrast, Colour windowText, Colour window) {
  const Colour status = highContrast ? window : Toward(window, windowText, kStatusShade);
  return {window, status, windowText};
}

}  // namespace Unit1
