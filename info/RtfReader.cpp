#include "info/RtfReader.h"

#include <QColor>
#include <QHash>
#include <QString>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr char16_t Undefined = 0xFFFD;

// Bytes 0x80..0xBF of code page 1251; 0xC0..0xFF are U+0410..U+044F.
constexpr char16_t Cp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, Undefined, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};
// Bytes 0x80..0x9F of code page 1252; 0xA0..0xFF are Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, Undefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152,    Undefined, 0x017D, Undefined, Undefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014,    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, Undefined, 0x017E, 0x0178,
};

// Code page of a font's \fcharset; 0 where the document's applies.
int CodePageOfCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 204:
        return 1251;
    default:
        return 0;
    }
}

enum class TDest { Text, FontTable, ColourTable };

struct TCharState {
    bool Bold = false, Italic = false, Underline = false, Strike = false, Hidden = false;
    int Size = 24;  // half points
    int Colour = 0;
    int Font = -1;
    int Script = 0;  // -1 sub, 1 super
    bool operator==(const TCharState&) const = default;
};

struct TParaState {
    Qt::Alignment Align = Qt::AlignLeft;
    int FirstIndent = 0, LeftIndent = 0, RightIndent = 0, SpaceBefore = 0, SpaceAfter = 0;  // twips
    std::vector<int> Tabs;  // \txN stops
};

struct TGroup {
    TCharState Char;
    TParaState Para;
    TDest Dest = TDest::Text;
    int FallbackCount = 1;  // \ucN
};

struct TFont {
    QString Name;
    int CodePage = 0;
};

// Twips to document pixels at 96 dots per inch.
qreal Pixels(qint64 twips)
{
    return twips / 15.0;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Destinations whose text is never shown.
bool IsSkippedDestination(const QByteArray& word)
{
    static const char* const names[] = {
        "info",      "stylesheet", "pict",     "object",   "header",  "headerl",  "headerr",  "headerf",
        "footer",    "footerl",    "footerr",  "footerf",  "footnote", "fldinst", "listtable", "listoverridetable",
        "revtbl",    "rsidtbl",    "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore",
        "filetbl",   "pn",         "nonshppict", "bkmkstart", "bkmkend", "annotation", "atnid", "atnauthor",
        "shpinst",   "shprslt",    "upr",      "private",  "comment", "author",   "title",    "subject",
        "operator",  "keywords",   "doccomm",  "generator", "template", "buptim",  "creatim",  "revtim",
        "printim",   "mmathPr",    "userprops", "txe",     "xe",      "tc",       "rxe",      "ftnsep",
        "ftnsepc",   "ftncn",      "aftnsep",  "aftnsepc", "aftncn",  "objdata",  "result",   "blipuid",
    };
    for (const char* n : names)
        if (word == n)
            return true;
    return false;
}

class TReader {
public:
    TReader(const QByteArray& bytes, QTextDocument& doc)
        : P(bytes.constData()), End(bytes.constData() + bytes.size()), Doc(doc), Cursor(&doc)
    {
    }

    void Run();

private:
    // Input
    const char* P;
    const char* End;

    // Groups
    TGroup Cur;
    std::vector<TGroup> Saved;
    int64_t Unsaved = 0;  // open groups deeper than the saved ones
    TGroup DeepestSaved;
    int64_t SkipNest = -1;  // >= 0 while a skipped destination is open
    bool StarSeen = false;
    int64_t FallbackLeft = 0;

    // Document tables
    int CodePage = 1252;
    int DefaultFont = -1;
    QHash<int, TFont> Fonts;
    int FontEntry = 0;
    int FontEntryCharset = -1;
    QString FontName;
    std::vector<QColor> Colours;
    int Red = -1, Green = -1, Blue = -1;

    // Output
    QTextDocument& Doc;
    QTextCursor Cursor;
    QString Run_;
    TCharState RunState;
    TCharState FormatState;
    QTextCharFormat Format;
    bool FormatKnown = false;
    qsizetype Written = 0;
    qsizetype Runs = 0;

    void OpenGroup();
    bool CloseGroup();  // false once the outermost group closed
    void ControlWord(const QByteArray& word, bool hasParam, int param);
    void ControlSymbol(char c);
    void Character(char16_t c);
    void Byte(unsigned char b);
    void Flush();
    void EndParagraph();
    void SkipBinary(int count);
    void Skip() { SkipNest = 0; }
    void AtFontTableEnd();
    const QTextCharFormat& FormatOf(const TCharState& s);
    QTextBlockFormat BlockFormat() const;
    int ByteCodePage() const;
};

void TReader::Run()
{
    Cursor.beginEditBlock();
    while (P < End && *P != '{')
        ++P;
    while (P < End && Written < RtfMaxCharacters) {
        const char c = *P++;
        if (SkipNest >= 0) {
            // Only braces, escapes and binary data matter inside a skipped destination.
            if (c == '{') {
                ++SkipNest;
            } else if (c == '}') {
                if (SkipNest-- == 0 && !CloseGroup())
                    break;
            } else if (c == '\\' && P < End) {
                if (IsLetter(*P)) {
                    const char* w = P;
                    while (P < End && IsLetter(*P))
                        ++P;
                    const bool bin = P - w == 3 && std::memcmp(w, "bin", 3) == 0;
                    bool neg = P < End && *P == '-';
                    if (neg)
                        ++P;
                    int64_t n = 0;
                    while (P < End && IsDigit(*P))
                        n = std::min<int64_t>(n * 10 + (*P++ - '0'), std::numeric_limits<int>::max());
                    if (P < End && *P == ' ')
                        ++P;
                    if (bin && !neg)
                        SkipBinary(int(n));
                } else {
                    ++P;
                }
            }
            continue;
        }
        switch (c) {
        case '{':
            OpenGroup();
            break;
        case '}':
            if (!CloseGroup()) {
                P = End;
                continue;
            }
            break;
        case '\\': {
            if (P >= End)
                break;  // a lone backslash at the end
            if (!IsLetter(*P)) {
                ControlSymbol(*P++);
                break;
            }
            const char* w = P;
            while (P < End && IsLetter(*P))
                ++P;
            const QByteArray word = QByteArray::fromRawData(w, qsizetype(std::min<ptrdiff_t>(P - w, 64)));
            bool neg = false, hasParam = false;
            if (P < End && *P == '-' && P + 1 < End && IsDigit(P[1])) {
                neg = true;
                ++P;
            }
            int64_t n = 0;
            while (P < End && IsDigit(*P)) {
                hasParam = true;
                n = std::min<int64_t>(n * 10 + (*P++ - '0'), int64_t(std::numeric_limits<int>::max()) + 1);
            }
            if (P < End && *P == ' ')
                ++P;
            if (neg)
                n = -n;
            n = std::clamp<int64_t>(n, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            ControlWord(word, hasParam, int(n));
            break;
        }
        case '\r':
        case '\n':
            break;
        default:
            Byte(static_cast<unsigned char>(c));
            break;
        }
    }
    Flush();
    if (Cursor.block().length() <= 1 && Doc.blockCount() > 1)
        Cursor.deletePreviousChar();  // no empty line after the last paragraph
    else
        Cursor.setBlockFormat(BlockFormat());
    Cursor.endEditBlock();
}

void TReader::OpenGroup()
{
    FallbackLeft = 0;
    StarSeen = false;
    if (Unsaved > 0 || Saved.size() >= size_t(RtfMaxSavedGroups)) {
        if (Unsaved++ == 0)
            DeepestSaved = Cur;
        return;
    }
    Saved.push_back(Cur);
}

bool TReader::CloseGroup()
{
    FallbackLeft = 0;
    StarSeen = false;
    SkipNest = -1;
    if (Cur.Dest == TDest::FontTable)
        AtFontTableEnd();
    if (Unsaved > 0) {
        if (--Unsaved == 0)
            Cur = DeepestSaved;
        return true;
    }
    if (Saved.size() <= 1)
        return false;  // the document's own group: its state holds for the last paragraph
    const TDest was = Cur.Dest;
    Cur = Saved.back();
    Saved.pop_back();
    if (was == TDest::FontTable && Cur.Dest != TDest::FontTable)
        FontEntryCharset = -1;
    return true;
}

void TReader::AtFontTableEnd()
{
    // A name without its closing ';' still names its font.
    const QString name = FontName.trimmed();
    if (!name.isEmpty() && Fonts.size() < 4096)
        Fonts.insert(FontEntry, {name, CodePageOfCharset(FontEntryCharset)});
    FontName.clear();
}

void TReader::SkipBinary(int count)
{
    P += std::min<ptrdiff_t>(std::max(count, 0), End - P);
}

int TReader::ByteCodePage() const
{
    if (Cur.Dest == TDest::FontTable) {
        if (const int cp = CodePageOfCharset(FontEntryCharset))
            return cp;
    } else if (const auto it = Fonts.constFind(Cur.Char.Font); it != Fonts.cend() && it->CodePage) {
        return it->CodePage;
    }
    return CodePage;
}

void TReader::ControlSymbol(char c)
{
    switch (c) {
    case '\\':
    case '{':
    case '}':
        Byte(static_cast<unsigned char>(c));
        return;
    case '\'': {
        int v = 0, digits = 0;
        while (digits < 2 && P < End && HexValue(*P) >= 0) {
            v = v * 16 + HexValue(*P++);
            ++digits;
        }
        if (digits == 0)
            return;
        if (FallbackLeft > 0) {
            --FallbackLeft;
            return;
        }
        Character(CodePageCharacter(ByteCodePage(), static_cast<unsigned char>(v)));
        return;
    }
    case '*':
        StarSeen = true;
        return;
    case '~':
        Character(0x00A0);
        return;
    case '_':
        Character(0x2011);
        return;
    case '-':
        Character(0x00AD);
        return;
    case '\r':
    case '\n':
        EndParagraph();
        return;
    case '\t':
        Character(u'\t');
        return;
    default:
        return;  // \| \: and the like
    }
}

void TReader::ControlWord(const QByteArray& w, bool hasParam, int n)
{
    if (std::exchange(StarSeen, false)) {
        Skip();  // an ignorable destination this reader does not know
        return;
    }
    if (FallbackLeft > 0) {
        --FallbackLeft;
        return;
    }
    const bool on = !hasParam || n != 0;
    TCharState& ch = Cur.Char;
    TParaState& pa = Cur.Para;
    if (w == "par" || w == "sect" || w == "page" || w == "row") {
        FallbackLeft = 0;
        EndParagraph();
    } else if (w == "line") {
        Character(QChar::LineSeparator);
    } else if (w == "tab" || w == "cell") {
        Character(u'\t');
    } else if (w == "b") {
        ch.Bold = on;
    } else if (w == "i") {
        ch.Italic = on;
    } else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth") {
        ch.Underline = on;
    } else if (w == "ulnone") {
        ch.Underline = false;
    } else if (w == "strike") {
        ch.Strike = on;
    } else if (w == "v") {
        ch.Hidden = on;
    } else if (w == "super") {
        ch.Script = 1;
    } else if (w == "sub") {
        ch.Script = -1;
    } else if (w == "nosupersub") {
        ch.Script = 0;
    } else if (w == "fs") {
        ch.Size = hasParam && n > 0 ? std::min(n, 3276) : 24;
    } else if (w == "cf") {
        ch.Colour = std::max(n, 0);
    } else if (w == "f") {
        if (Cur.Dest == TDest::FontTable) {
            AtFontTableEnd();
            FontEntry = n;
            FontEntryCharset = -1;
        } else {
            ch.Font = n;
        }
    } else if (w == "fcharset") {
        if (Cur.Dest == TDest::FontTable)
            FontEntryCharset = n;
    } else if (w == "plain") {
        ch = TCharState{};
        ch.Font = DefaultFont;
    } else if (w == "pard") {
        pa = TParaState{};
    } else if (w == "ql") {
        pa.Align = Qt::AlignLeft;
    } else if (w == "qc") {
        pa.Align = Qt::AlignHCenter;
    } else if (w == "qr") {
        pa.Align = Qt::AlignRight;
    } else if (w == "qj") {
        pa.Align = Qt::AlignJustify;
    } else if (w == "fi") {
        pa.FirstIndent = n;
    } else if (w == "li") {
        pa.LeftIndent = n;
    } else if (w == "ri") {
        pa.RightIndent = n;
    } else if (w == "tx") {
        if (pa.Tabs.size() < 64)
            pa.Tabs.push_back(n);
    } else if (w == "sb") {
        pa.SpaceBefore = n;
    } else if (w == "sa") {
        pa.SpaceAfter = n;
    } else if (w == "u") {
        const int v = n < 0 ? n + 65536 : n;
        Character(v >= 0 && v <= 0xFFFF ? char16_t(v) : Undefined);
        FallbackLeft = Cur.FallbackCount;
    } else if (w == "uc") {
        Cur.FallbackCount = std::max(n, 0);
    } else if (w == "ansicpg") {
        CodePage = n;
    } else if (w == "deff") {
        DefaultFont = n;
        if (Cur.Char.Font < 0)
            Cur.Char.Font = n;
    } else if (w == "fonttbl") {
        Cur.Dest = TDest::FontTable;
        FontEntryCharset = -1;
        FontName.clear();
    } else if (w == "colortbl") {
        Cur.Dest = TDest::ColourTable;
        Red = Green = Blue = -1;
    } else if (w == "red" || w == "green" || w == "blue") {
        (w == "red" ? Red : w == "green" ? Green : Blue) = std::clamp(n, 0, 255);
    } else if (w == "bin") {
        SkipBinary(n);
    } else if (w == "emdash") {
        Character(0x2014);
    } else if (w == "endash") {
        Character(0x2013);
    } else if (w == "bullet") {
        Character(0x2022);
    } else if (w == "lquote") {
        Character(0x2018);
    } else if (w == "rquote") {
        Character(0x2019);
    } else if (w == "ldblquote") {
        Character(0x201C);
    } else if (w == "rdblquote") {
        Character(0x201D);
    } else if (IsSkippedDestination(w)) {
        Skip();
    }
    // Any other word is ignored.
}

void TReader::Byte(unsigned char b)
{
    if (FallbackLeft > 0) {
        --FallbackLeft;
        return;
    }
    if (b == '\t') {
        Character(u'\t');
        return;
    }
    if (b < 0x20)
        return;
    if (Cur.Dest == TDest::ColourTable) {
        if (b == ';') {
            if (Colours.size() < 4096)
                Colours.push_back(Red < 0 && Green < 0 && Blue < 0
                                      ? QColor()
                                      : QColor(std::max(Red, 0), std::max(Green, 0), std::max(Blue, 0)));
            Red = Green = Blue = -1;
        }
        return;
    }
    if (Cur.Dest == TDest::FontTable && b == ';') {
        AtFontTableEnd();
        return;
    }
    Character(b < 0x80 ? char16_t(b) : CodePageCharacter(ByteCodePage(), b));
}

void TReader::Character(char16_t c)
{
    if (Cur.Dest == TDest::FontTable) {
        if (FontName.size() < 256)
            FontName.append(QChar(c));
        return;
    }
    if (Cur.Dest != TDest::Text || Cur.Char.Hidden || Written >= RtfMaxCharacters)
        return;
    if (!(Cur.Char == RunState) && Runs < RtfMaxRuns) {
        Flush();
        ++Runs;
        RunState = Cur.Char;
    }
    Run_.append(QChar(c));
    ++Written;
    if (Run_.size() >= 65536)
        Flush();
}

void TReader::Flush()
{
    if (Run_.isEmpty())
        return;
    // A surrogate \uN without its partner is no character.
    for (qsizetype i = 0; i < Run_.size(); ++i) {
        const QChar c = Run_.at(i);
        if (c.isHighSurrogate() && i + 1 < Run_.size() && Run_.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            Run_[i] = QChar(Undefined);
    }
    Cursor.insertText(Run_, FormatOf(RunState));
    Run_.clear();
}

const QTextCharFormat& TReader::FormatOf(const TCharState& s)
{
    if (FormatKnown && s == FormatState)
        return Format;
    QTextCharFormat f;
    f.setFontWeight(s.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.Italic);
    f.setFontUnderline(s.Underline);
    f.setFontStrikeOut(s.Strike);
    f.setFontPointSize(s.Size / 2.0);
    if (s.Script)
        f.setVerticalAlignment(s.Script > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
    if (s.Colour > 0 && size_t(s.Colour) < Colours.size() && Colours[size_t(s.Colour)].isValid())
        f.setForeground(Colours[size_t(s.Colour)]);
    if (const auto it = Fonts.constFind(s.Font); it != Fonts.cend())
        f.setFontFamilies({it->Name});
    Format = f;
    FormatState = s;
    FormatKnown = true;
    return Format;
}

QTextBlockFormat TReader::BlockFormat() const
{
    const TParaState& p = Cur.Para;
    QTextBlockFormat f;
    f.setAlignment(p.Align);
    f.setLeftMargin(Pixels(std::max(p.LeftIndent, 0)));
    f.setRightMargin(Pixels(std::max(p.RightIndent, 0)));
    f.setTextIndent(Pixels(p.FirstIndent));
    f.setTopMargin(Pixels(std::max(p.SpaceBefore, 0)));
    f.setBottomMargin(Pixels(std::max(p.SpaceAfter, 0)));
    if (!p.Tabs.empty()) {
        QList<QTextOption::Tab> tabs;
        // Stops count from the page's margin, the layout's from where the first line begins.
        for (int t : p.Tabs)
            tabs.append(QTextOption::Tab(
                Pixels(std::max<qint64>(qint64(t) - std::max(p.LeftIndent, 0) - p.FirstIndent, 0)),
                QTextOption::LeftTab));
        f.setTabPositions(tabs);
    }
    return f;
}

void TReader::EndParagraph()
{
    if (Cur.Dest != TDest::Text || Written >= RtfMaxCharacters)
        return;
    Flush();
    Cursor.setBlockFormat(BlockFormat());
    Cursor.insertBlock(QTextBlockFormat(), FormatOf(Cur.Char));
    ++Written;
}

bool LooksLikeRtf(const QByteArray& bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t'))
        ++i;
    return bytes.mid(i, 5) == "{\\rtf";
}

}  // namespace

char16_t CodePageCharacter(int codePage, unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (codePage == 1251)
        return byte >= 0xC0 ? char16_t(0x0410 + (byte - 0xC0)) : Cp1251High[byte - 0x80];
    return byte >= 0xA0 ? char16_t(byte) : Cp1252High[byte - 0x80];
}

void ReadRtf(const QByteArray& bytes, QTextDocument& document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    if (LooksLikeRtf(bytes)) {
        TReader(bytes, document).Run();
    } else {
        QTextCursor cursor(&document);
        cursor.insertText(QString::fromUtf8(bytes.left(RtfMaxCharacters)));
    }
    document.setUndoRedoEnabled(undo);
}
