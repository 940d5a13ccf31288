#pragma once
// A reader of rich text (RTF) into a QTextDocument: groups and the character
// state they scope, paragraphs, bold, italic, underline, sizes, colours, font
// names, alignment, indents, \'xx in the document's code page and \uN.
// Destinations it does not show (pictures, document info, style sheets,
// starred groups) are skipped whole. No recursion: any nesting depth is safe.

#include <QByteArray>

class QTextDocument;

// Deeper groups than this share the state of the deepest saved one, so that a
// file of nothing but braces costs no memory per brace.
constexpr int RtfMaxSavedGroups = 4096;
// Reading ends after this many characters (about a thousand pages), so that
// a huge file still loads in bounded time and memory.
constexpr qsizetype RtfMaxCharacters = 2 * 1024 * 1024;
// After this many changes of character format the text keeps the last one.
constexpr qsizetype RtfMaxRuns = 256 * 1024;

// Replaces the content of 'document'. Bytes that do not begin as RTF show as
// plain UTF-8 text.
void ReadRtf(const QByteArray& bytes, QTextDocument& document);

// The character a single byte gives in a Windows code page (1250, 1251 or
// 1252; any other counts as 1252).
char16_t CodePageCharacter(int codePage, unsigned char byte);
