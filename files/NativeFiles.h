#pragma once
// File names as the system keeps them: bytes, not always UTF-8. A name is held
// in a QString that gives its bytes back exactly: valid UTF-8 as text, every
// other byte b as the lone surrogate U+DC00 + b (b is 0x80..0xFF, which valid
// UTF-8 never yields). Qt's own encoding cannot say such a name and its folder
// listings skip it, so every file operation of the program goes through the
// native path here.

#include <QByteArray>
#include <QString>
#include <QStringList>

QString DecodeFileName(const QByteArray& bytes);
// The bytes of a path for the system calls.
QByteArray NativePath(const QString& path);
// Not empty and without a NUL byte, which would cut the path short.
bool IsUsablePath(const QByteArray& native);

// The names in a folder ("." and ".." left out), each decoded; empty when the
// folder cannot be read.
QStringList FolderEntries(const QString& folder);

// A regular file, or a link to one.
bool IsRegularFile(const QString& path);

// What a path names, after links.
enum class TEntryKind { Missing, DanglingLink, Folder, RegularFile, Other /* a device, FIFO or socket */ };
TEntryKind EntryKindOf(const QString& path);

// The folder and those above it, as mkdir -p; true when the folder is there.
bool MakeFolders(const QString& folder);
// The size of a regular file (or of the one a link leads to); -1 for
// anything else.
qint64 RegularFileSize(const QString& path);
// Reads at most maxBytes from the start of a regular file; false, 'bytes'
// untouched, when the path is missing, not a regular file (a folder, FIFO or
// device is never opened for reading) or cannot be read.
bool ReadRegularFile(const QString& path, qsizetype maxBytes, QByteArray& bytes);
