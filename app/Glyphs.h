#pragma once
// Button glyphs and menu images, drawn in one style.

#include <QIcon>

enum class TGlyph {
    Default, Hand, Center, Lupa, LupaPlus, LupaMinus, Koef, ToFrom,  // left tool column
    Down, Stop, Up,                                                   // C animation
    Apply, Close,                                                     // palette, program
    MenuSaveImage, MenuSaveFractal, MenuOpenFractal, MenuClose, MenuFullScreen, MenuDescription,
    MenuDeleteFile,
};

QIcon GlyphIcon(TGlyph glyph);
