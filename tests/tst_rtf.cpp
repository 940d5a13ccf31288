// The rich-text reader: control words, groups, code pages, Unicode, skipped
// destinations, the shipped description, and input that must not hurt.

#include "info/RtfReader.h"

#include <QtTest>

#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// Text with its formatting: "<block attributes>" before a paragraph, a
// formatted run as "[attributes:text]", paragraphs joined by "|".
QString Describe(const QTextDocument& doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        QStringList battrs;
        if (bf.alignment() & Qt::AlignHCenter)
            battrs << "qc";
        if (bf.alignment() & Qt::AlignRight)
            battrs << "qr";
        if ((bf.alignment() & Qt::AlignJustify) == Qt::AlignJustify)
            battrs << "qj";
        if (bf.leftMargin() != 0)
            battrs << QStringLiteral("li%1").arg(bf.leftMargin());
        if (bf.textIndent() != 0)
            battrs << QStringLiteral("fi%1").arg(bf.textIndent());
        for (const QTextOption::Tab& t : bf.tabPositions())
            battrs << QStringLiteral("tx%1").arg(t.position);
        QString text = battrs.isEmpty() ? QString() : QLatin1Char('<') + battrs.join(' ') + QLatin1Char('>');
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            QStringList a;
            if (cf.fontWeight() == QFont::Bold)
                a << "b";
            if (cf.fontItalic())
                a << "i";
            if (cf.fontUnderline())
                a << "u";
            if (cf.fontPointSize() > 0 && cf.fontPointSize() != 12)
                a << QStringLiteral("%1pt").arg(cf.fontPointSize());
            if (cf.hasProperty(QTextFormat::ForegroundBrush))
                a << cf.foreground().color().name();
            if (!cf.fontFamilies().toStringList().isEmpty())
                a << cf.fontFamilies().toStringList().join(',');
            text += a.isEmpty() ? f.text() : QLatin1Char('[') + a.join(' ') + QLatin1Char(':') + f.text() + QLatin1Char(']');
        }
        blocks << text;
    }
    return blocks.join('|');
}

QString Read(const QByteArray& rtf)
{
    QTextDocument doc;
    ReadRtf(rtf, doc);
    return Describe(doc);
}

}  // namespace

class TestRtf : public QObject {
    Q_OBJECT
private slots:
    void controlWords_data();
    void controlWords();
    void codePages();
    void shippedDescription();
    void badInput_data();
    void badInput();
    void randomBytes();
};

void TestRtf::controlWords_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const char* rtf, const QString& shown) {
        QTest::newRow(name) << QByteArray(rtf) << shown;
    };
    row("plain text", "{\\rtf1 Hello, world}", "Hello, world");
    row("par", "{\\rtf1 a\\par b\\par\r\nc}", "a|b|c");
    row("no empty paragraph after the last par", "{\\rtf1 a\\par}", "a");
    row("line", "{\\rtf1 a\\line b}", QStringLiteral("a\u2028b"));
    row("tab", "{\\rtf1 a\\tab b}", "a\tb");
    row("bold and b0", "{\\rtf1 a\\b b\\b0 c}", "a[b:b]c");
    row("italic and i0", "{\\rtf1 \\i a\\i0 b}", "[i:a]b");
    row("underline, ul0, ulnone", "{\\rtf1 \\ul a\\ul0 b\\ul c\\ulnone d}", "[u:a]b[u:c]d");
    row("groups restore the state", "{\\rtf1 a{\\b b{\\i c}d}e}", "a[b:b][b i:c][b:d]e");
    row("plain resets", "{\\rtf1\\b\\i\\fs40 a\\plain b}", "[b i 20pt:a]b");
    row("fs in half points", "{\\rtf1\\fs18 a{\\fs48 b}}", "[9pt:a][24pt:b]");
    row("cf with colortbl", "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\\cf1 a\\cf2 b\\cf0 c\\cf9 d}",
        "[#ff0000:a][#000080:b]cd");
    row("f with fonttbl", "{\\rtf1{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}\\f1 a\\f0 b}",
        "[Courier New:a][Arial:b]");
    row("fonttbl without inner groups", "{\\rtf1{\\fonttbl\\f0\\fnil Tahoma;}\\f0 a}", "[Tahoma:a]");
    row("deff is the plain font", "{\\rtf1\\deff1{\\fonttbl{\\f1 Verdana;}}a\\f9 b\\plain c}", "[Verdana:a]b[Verdana:c]");
    row("alignment", "{\\rtf1\\qc a\\par\\qr b\\par\\qj c\\par\\ql d}", "<qc>a|<qr>b|<qj>c|d");
    row("pard resets the paragraph", "{\\rtf1\\qc\\li300 a\\par\\pard b}", "<qc li20>a|b");
    row("first-line and left indents in twips", "{\\rtf1\\fi-300\\li600 a}", "<li40 fi-20>a");
    row("tab stops", "{\\rtf1\\tx1500\\tx3000 a\\par\\pard b}", "<tx100 tx200>a|b");
    row("tab stops after a hanging indent", "{\\rtf1\\li1500\\fi-1200\\tx1500 a}", "<li100 fi-80 tx80>a");
    row("escaped characters", "{\\rtf1 \\\\ \\{x\\}}", "\\ {x}");
    row("unknown words ignored", "{\\rtf1 a\\foo12 b\\zzz c\\qwerty-5 d}", "abcd");
    row("u with fallback", "{\\rtf1 \\u1055?a}", QStringLiteral("Пa"));
    row("uc2 skips an escape and a letter", "{\\rtf1\\uc2\\u1055\\'3fxb}", QStringLiteral("Пb"));
    row("uc0 skips nothing", "{\\rtf1\\uc0\\u1055 x}", QStringLiteral("Пx"));
    row("negative u", "{\\rtf1 \\u-3913?}", QStringLiteral("\uF0B7"));
    row("fallback ends with the group", "{\\rtf1\\uc5{\\u1055}ab}", QStringLiteral("Пab"));
    row("starred destination skipped", "{\\rtf1 a{\\*\\unknown x{y}z}b}", "ab");
    row("info, stylesheet skipped", "{\\rtf1 a{\\info{\\title t}{\\author w}}b{\\stylesheet{\\s0 Normal;}}c}", "abc");
    row("pict with binary data skipped", "{\\rtf1 a{\\pict\\wmetafile8 0102ff{\\bin4 {{}}}}b}", "ab");
    row("field shows its result", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt shown}}}", "shown");
    row("hidden text", "{\\rtf1 a{\\v b}c}", "ac");
    row("symbols", "{\\rtf1 a\\~b\\emdash\\ldblquote c\\rdblquote}", QStringLiteral("a\u00a0b\u2014\u201cc\u201d"));
    row("text after the last brace ignored", "{\\rtf1 a}b{c}", "a");
    row("no RTF: plain UTF-8", "plain \xc3\xbc {x}", QStringLiteral("plain ü {x}"));
}

void TestRtf::controlWords()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, shown);
    QCOMPARE(Read(rtf), shown);
}

void TestRtf::codePages()
{
    // Every letter of the Russian alphabet and the signs of code page 1251.
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251 ";
    QString expected;
    for (int b = 0xC0; b <= 0xFF; ++b) {
        rtf += QStringLiteral("\\'%1").arg(b, 2, 16).toLatin1();
        expected += QChar(0x0410 + b - 0xC0);
    }
    rtf += "\\'a8\\'b8\\'b9\\'ab\\'bb\\'96\\'85}";
    expected += QStringLiteral("Ёё№«»–…");
    QCOMPARE(Read(rtf), expected);
    QCOMPARE(Read("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"), QStringLiteral("Привет"));
    // 1252, the default, and a font's Cyrillic charset in a 1252 document.
    QCOMPARE(Read("{\\rtf1\\ansi\\ansicpg1252 \\'e9\\'80\\'93\\'9c}"), QStringLiteral("é€“œ"));
    QCOMPARE(Read("{\\rtf1\\ansi \\'e9}"), QStringLiteral("é"));
    QCOMPARE(Read("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset204 Arial;}{\\f1\\fcharset0 Arial;}}\\f0\\'e0\\f1\\'e0}"),
             QStringLiteral("[Arial:аà]"));
    // Unescaped high bytes decode the same way.
    QCOMPARE(Read("{\\rtf1\\ansicpg1251 \xcf\xf0}"), QStringLiteral("Пр"));
}

void TestRtf::shippedDescription()
{
    QFile file(QStringLiteral(QUILMORA_DATA_DIR "/Description.rtf"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument doc;
    ReadRtf(file.readAll(), doc);
    const QString text = doc.toPlainText();
    for (const char* stray : {"\\", "{", "}", "rtf", "ansicpg", "fonttbl", "generator", "Riched"})
        QVERIFY2(!text.contains(QLatin1String(stray)), stray);
    for (const QString& part : {QStringLiteral("Quilmora"), QStringLiteral("множества Жюлиа"),
                                QStringLiteral("Слайд-шоу"), QStringLiteral("Ctrl+Q"), QStringLiteral("F10")})
        QVERIFY2(text.contains(part), qPrintable(part));
    QVERIFY(doc.blockCount() > 30);
    // Headings are bold paragraphs of their own.
    int headings = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QString t = b.text();
        if (t == QStringLiteral("Все клавиши") || t == QStringLiteral("Палитра и её семь чисел")) {
            ++headings;
            QCOMPARE(b.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        }
        if (t.startsWith(QStringLiteral("Quilmora рисует")))
            QCOMPARE(b.begin().fragment().charFormat().fontWeight(), int(QFont::Normal));
    }
    QCOMPARE(headings, 2);
}

void TestRtf::badInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("shown");
    QTest::newRow("unclosed groups") << QByteArray("{\\rtf1 a{\\b b{{{") << "a[b:b]";
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}}b") << "a";
    QTest::newRow("lone backslash at the end") << QByteArray("{\\rtf1 a\\") << "a";
    QTest::newRow("cut escape") << QByteArray("{\\rtf1 a\\'") << "a";
    QTest::newRow("20-digit parameters")
        << QByteArray("{\\rtf1\\fs99999999999999999999 a\\fs24\\cf-99999999999999999999 b\\u99999999999999999999 c}")
        << QStringLiteral("[1638pt:a]b\uFFFD");
    QTest::newRow("huge uc") << QByteArray("{\\rtf1{\\uc99999999999999999999\\u1055 abc}d}") << QStringLiteral("Пd");
    QTest::newRow("long control word") << QByteArray("{\\rtf1 a\\" + QByteArray(100000, 'b') + " c}") << "ac";
    QTest::newRow("bin beyond the end") << QByteArray("{\\rtf1 a\\bin999999 xyz") << "a";
    QTest::newRow("tab stop at the end of int") << QByteArray("{\\rtf1\\fi-360\\tx2147483575 a}") << "<fi-24 tx1.43166e+08>a";
    QTest::newRow("lone surrogate") << QByteArray("{\\rtf1 \\u-10179?a}") << QStringLiteral("\uFFFDa");
    // Deeper than the saved groups: the state comes back below the saved depth.
    QTest::newRow("100,000 groups deep")
        << QByteArray("{\\rtf1 " + QByteArray(100000, '{') + "\\b x" + QByteArray(100000, '}') + "y}") << "[b:x]y";
}

void TestRtf::badInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, shown);
    QCOMPARE(Read(rtf), shown);
}

void TestRtf::randomBytes()
{
    // Random bytes after a header, random RTF-ish tokens, and 20 MB of text
    // that stops at the reader's character bound.
    QRandomGenerator random(1234);
    const char* tokens[] = {"{", "}", "\\", "\\b", "\\par", "\\'", "\\u", "\\uc9", "\\*", "\\pict", "\\bin5 ", "x",
                            "\\fonttbl", "\\colortbl", ";", "\\f", "\\cf", "7", "-", " ", "\\'e9", "\\fs"};
    for (int round = 0; round < 50; ++round) {
        QByteArray bytes = "{\\rtf1 ";
        for (int i = 0; i < 20000; ++i)
            bytes += round % 2 ? QByteArray(1, char(random.bounded(256)))
                               : QByteArray(tokens[random.bounded(int(std::size(tokens)))]);
        QTextDocument doc;
        ReadRtf(bytes, doc);
    }
    QByteArray huge = "{\\rtf1 ";
    huge.reserve(20 * 1024 * 1024 + 16);
    while (huge.size() < 20 * 1024 * 1024)
        huge += "Quilmora {\\b bold} text\\par ";
    QTextDocument doc;
    ReadRtf(huge, doc);
    QVERIFY(doc.characterCount() <= RtfMaxCharacters + 1);
    QVERIFY(doc.characterCount() > RtfMaxCharacters / 2);
    // A format change for every letter: the formats stop changing, the text goes on.
    QByteArray runs = "{\\rtf1 ";
    for (qsizetype i = 0; i < RtfMaxRuns + 1000; ++i)
        runs += i % 2 ? "\\b0 b" : "\\b a";
    ReadRtf(runs + "\\b0 z}", doc);
    QCOMPARE(doc.characterCount(), RtfMaxRuns + 1000 + 2);
    QVERIFY(doc.toPlainText().endsWith("abz"));
}

QTEST_MAIN(TestRtf)
#include "tst_rtf.moc"
