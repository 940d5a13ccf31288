#pragma once
// Whole-file writes: a file is replaced by its new contents entirely or not at
// all. Every program file (fractals, palettes, settings, pictures) is written
// through here.

#include <QByteArray>
#include <QString>

#include <functional>

// Takes the bytes of a whole-file write. Put fails, and stays failed, as soon
// as the system takes fewer bytes than given (a full disk, an I/O error).
class TFileSink {
public:
    virtual ~TFileSink() = default;
    virtual bool Put(const char* data, qsizetype size) = 0;
    bool Put(const QByteArray& bytes) { return Put(bytes.constData(), bytes.size()); }
};

// What a write may go into besides a regular file.
enum class TWriteTarget {
    // Only a regular file, or a new one: a folder, device, FIFO or socket of
    // that name (or a link to one) is left alone and the write fails. The
    // program's own files.
    RegularFile,
    // A device or FIFO is written into directly, as Unix tools do: the
    // headless renderer's pictures.
    AnyFile,
};

// Writes into a temporary file beside `path` (beside a link's target, for a
// link), checks every write and the sync to disk, and only then puts it in
// place of the old file, whose owner, group and permissions it keeps where
// the system allows. When `produce` or any step fails, the old file stays
// byte for byte, no temporary file remains, and the result is false. In a
// folder where no file may be made, an existing regular file is written in
// place instead, as the user may still write it.
bool WriteFileWhole(const QString& path, const std::function<bool(TFileSink&)>& produce,
                    TWriteTarget target = TWriteTarget::RegularFile);
bool WriteFileWhole(const QString& path, const QByteArray& bytes, TWriteTarget target = TWriteTarget::RegularFile);

// Writes into an open descriptor where it stands (standard output): every
// write checked, nothing synced or replaced. False when one failed.
bool WriteToDescriptor(int fd, const std::function<bool(TFileSink&)>& produce);
