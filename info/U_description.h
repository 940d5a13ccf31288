#pragma once
// The description window: Description.rtf of the program folder, read-only,
// or a notice where that file is missing. Each F1 opens one more.

#include <QWidget>

class QTextEdit;
class TMainHost;

// A Description.rtf larger than this is not shown: its text would end long
// before (RtfMaxCharacters), and read whole it would cost this much memory.
constexpr qint64 DescriptionMaxBytes = 32 * 1024 * 1024;

enum class TDescriptionRead { Read, Missing, TooLarge };
// Reads 'path' into 'bytes' if it is a regular file of at most
// DescriptionMaxBytes; 'size' is its size. Missing stands for anything else
// that cannot be shown (no such file, no access, a FIFO, a device, a folder).
TDescriptionRead ReadDescription(const QString& path, QByteArray& bytes, qint64& size);

class TDscrptForm : public QWidget {
    Q_OBJECT
public:
    static void DescriptExecute(TMainHost& main);

    explicit TDscrptForm(TMainHost& main);

    static constexpr int OuterWidth = 414, OuterHeight = 480;

    QTextEdit* RichEdit1 = nullptr;

    bool FormKeyDown(QKeyEvent* event);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormActivate();
};
