#pragma once
// What the fractal and palette dialogs share about their folder: the list of
// names, the path of a name, the remembered entry, the replace question's
// matches, delete and rename. Widget-free; the dialogs add the windows.

#include <QString>
#include <QStringList>

struct TFileKind {
    QString Extension;   // ".frc", ".ptt"
    bool LongerEndings;  // "*.frc*" also lists x.frcbak; "*.ptt" does not
    QString NewName;     // proposed for a new file
};
extern const TFileKind FractalFiles;  // ".frc", "fractal_new"
extern const TFileKind PaletteFiles;  // ".ptt", "palette_new"

// Names of the files and folders (hidden ones included) in 'folder' that
// match the wildcard 'pattern', letter case ignored, sorted by name; the
// file dialogs and the slide show list their folders with it. A name that is
// not valid UTF-8 is listed too, its bytes kept (files/NativeFiles.h).
QStringList ListFolder(const QString& folder, const QString& pattern);

enum class TRenameOutcome { Renamed, NameTaken, Failed };

class TFileBrowser {
public:
    TFileBrowser(QString folder, TFileKind kind);

    // Reads the folder again: files and folders (hidden ones included) whose
    // names match the kind's pattern, letter case ignored, with at least one
    // character before the first "."; sorted by name, each listed by the
    // part before its first ".". A missing folder lists nothing. The dialogs
    // list the current folder, which is this folder unless it is missing.
    void Scan(const QString& listed = {});
    const QStringList& Names() const { return List; }

    // The folder, "/", the name and the extension.
    QString PathOf(const QString& name) const;
    const QString& NewName() const { return Kind.NewName; }
    QString NewFilePath() const { return PathOf(Kind.NewName); }
    // The entry a remembered index selects: the last one when the index lies
    // beyond the list (files removed meanwhile), -1 for an empty list.
    int EntryFor(int remembered) const;
    // How many entries equal the name exactly (letter case counts): the
    // replace question is asked once for each.
    int Matches(const QString& name) const;
    // A typed name stays inside the folder: not empty, no "/", not "." or "..".
    static bool NameIsSafe(const QString& name);

    // False when the file cannot be deleted.
    bool Delete(const QString& name) const;
    // NameTaken when an entry already has the new name (the old one included);
    // Failed when the rename itself fails or the new name is not safe.
    TRenameOutcome Rename(const QString& oldName, const QString& newName) const;

    const QString& Folder() const { return Dir; }

private:
    QString Dir;
    TFileKind Kind;
    QStringList List;
};
