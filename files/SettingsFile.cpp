#include "SettingsFile.h"

#include "ProgramState.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>

namespace {
template <typename T>
void Take(const QByteArray& bytes, qsizetype& pos, T& value)
{
    value = 0;
    if (pos + qsizetype(sizeof(T)) <= bytes.size()) {
        T raw;
        std::memcpy(&raw, bytes.constData() + pos, sizeof(T));
        value = qFromLittleEndian(raw);
    }
    pos += sizeof(T);
}

template <typename T>
void Put(QByteArray& bytes, T value)
{
    const T le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&le), sizeof(T));
}
}  // namespace

TSettingsRecord DecodeSettings(const QByteArray& bytes)
{
    TSettingsRecord r;
    qsizetype pos = 0;
    Take(bytes, pos, r.SlideDelay);
    Take(bytes, pos, r.CloseExportAfterSave);
    Take(bytes, pos, r.Left);
    Take(bytes, pos, r.Top);
    Take(bytes, pos, r.R0);
    Take(bytes, pos, r.G0);
    Take(bytes, pos, r.B0);
    Take(bytes, pos, r.R1);
    Take(bytes, pos, r.G1);
    Take(bytes, pos, r.B1);
    Take(bytes, pos, r.PaletteKind);
    Take(bytes, pos, r.SlideRandomOrder);
    return r;
}

QByteArray EncodeSettings(const TSettingsRecord& r)
{
    QByteArray b;
    b.reserve(SettingsFileSize);
    for (int32_t v : {r.SlideDelay, r.CloseExportAfterSave, r.Left, r.Top, r.R0, r.G0, r.B0, r.R1,
                      r.G1, r.B1, r.PaletteKind})
        Put(b, v);
    Put(b, r.SlideRandomOrder);
    return b;
}

bool ReadSettingsFile(const QString& path, TSettingsRecord& r)
{
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    r = DecodeSettings(file.read(SettingsFileSize));
    return true;
}

bool WriteSettingsFile(const QString& path, const TSettingsRecord& r)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(EncodeSettings(r));
    return file.commit();
}

void TakeSettings(ProgramState& s, const TSettingsRecord& r)
{
    s.SlideDelay = r.SlideDelay;
    s.CloseExportAfterSave = r.CloseExportAfterSave;
    TFractalParams& p = s.FractalParams;
    p.R0 = r.R0;
    p.G0 = r.G0;
    p.B0 = r.B0;
    p.R1 = r.R1;
    p.G1 = r.G1;
    p.B1 = r.B1;
    p.PaletteKind = r.PaletteKind;
    s.SlideRandomOrder = r.SlideRandomOrder;
}

TSettingsRecord SettingsOf(const ProgramState& s, int32_t left, int32_t top)
{
    const TFractalParams& p = s.FractalParams;
    return {s.SlideDelay, s.CloseExportAfterSave, left, top, p.R0, p.G0, p.B0,
            p.R1, p.G1, p.B1, p.PaletteKind, s.SlideRandomOrder};
}
