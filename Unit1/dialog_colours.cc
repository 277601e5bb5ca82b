#include "Unit1/dialog_colours.h"

namespace Unit1 {

DialogColours ChooseDialogColours(bool highContrast, Colour windowText, Colour window) {
  if (highContrast) return {window, window, windowText};
  return {RgbColour(255, 255, 255), RgbColour(231, 231, 231), windowText};
}

}  // namespace Unit1
