#pragma once
// Copies of the state that the file dialogs take when they open and put back
// when the user cancels or a file cannot be used.

#include "engine/ProgramState.h"

#include <algorithm>
#include <array>

// Colour table entries 0..8190: entry 8191 is neither saved nor put back.
constexpr int SavedColourEntries = ColourTableSize - 1;

// The palette dialog's copy: the palette part of the state.
struct TSavedPalette {
    int32_t PaletteKind = 1;
    int32_t R0 = 0, G0 = 0, B0 = 0, R1 = 0, G1 = 0, B1 = 0;
    std::array<TColourEntry, SavedColourEntries> ColourTable{};

    static TSavedPalette Of(const ProgramState& s)
    {
        const TFractalParams& p = s.FractalParams;
        TSavedPalette v{p.PaletteKind, p.R0, p.G0, p.B0, p.R1, p.G1, p.B1, {}};
        std::copy_n(s.ColourTable.begin(), SavedColourEntries, v.ColourTable.begin());
        return v;
    }
    // The kind and the six levels only.
    void PutLevelsBack(ProgramState& s) const
    {
        TFractalParams& p = s.FractalParams;
        p.PaletteKind = PaletteKind;
        p.R0 = R0, p.G0 = G0, p.B0 = B0, p.R1 = R1, p.G1 = G1, p.B1 = B1;
    }
    void PutColourTableBack(ProgramState& s) const
    {
        std::copy(ColourTable.begin(), ColourTable.end(), s.ColourTable.begin());
    }
    void PutBack(ProgramState& s) const
    {
        PutLevelsBack(s);
        PutColourTableBack(s);
    }
};


// The fractal dialog's copy: the whole picture and the colour table.
struct TSavedMainState {
    TFractalParams FractalParams;
    TSavedPalette Palette;

    static TSavedMainState Of(const ProgramState& s) { return {s.FractalParams, TSavedPalette::Of(s)}; }
    void PutBack(ProgramState& s) const
    {
        s.FractalParams = FractalParams;
        Palette.PutColourTableBack(s);
    }
};

// The slide show's copy: the picture and the whole colour table.
struct TSlideSavedState {
    TFractalParams FractalParams;
    std::array<TColourEntry, ColourTableSize> ColourTable{};

    static TSlideSavedState Of(const ProgramState& s) { return {s.FractalParams, s.ColourTable}; }
    void PutBack(ProgramState& s) const
    {
        s.FractalParams = FractalParams;
        s.ColourTable = ColourTable;
    }
};
