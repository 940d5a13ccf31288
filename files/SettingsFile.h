#pragma once
// settings.dat: 45 little-endian bytes, no header.

#include "engine/ProgramState.h"

#include <QByteArray>
#include <QString>

constexpr int SettingsFileSize = 45;

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
