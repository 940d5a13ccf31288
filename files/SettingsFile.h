#pragma once
// settings.dat: 45 little-endian bytes, no header.

#include <QByteArray>
#include <QString>

#include <cstdint>

constexpr int SettingsFileSize = 45;

struct TSettingsRecord {
    int32_t SlideDelay = 4;
    int32_t CloseExportAfterSave = 0;
    int32_t Left = 0, Top = 0;
    int32_t R0 = 36, G0 = 16, B0 = 12;
    int32_t R1 = 26, G1 = 18, B1 = 8;
    int32_t PaletteKind = 1;
    uint8_t SlideRandomOrder = 0;
    bool operator==(const TSettingsRecord&) const = default;
};

class ProgramState;

// Puts the record's delay, flags and palette into the state, as read.
void TakeSettings(ProgramState& s, const TSettingsRecord& r);
// The record of the state's current settings with the window at (left, top).
TSettingsRecord SettingsOf(const ProgramState& s, int32_t left, int32_t top);

// Fields beyond the end of the bytes read as zero.
TSettingsRecord DecodeSettings(const QByteArray& bytes);
QByteArray EncodeSettings(const TSettingsRecord& r);

// False when the file is missing or cannot be opened; 'r' is then untouched.
bool ReadSettingsFile(const QString& path, TSettingsRecord& r);
// Whole file or nothing; false on failure, the old file left as it was.
bool WriteSettingsFile(const QString& path, const TSettingsRecord& r);
