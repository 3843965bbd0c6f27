#include "documents/binary_io.h"

#include <gtest/gtest.h>

#include "documents/file_bytes.h"

namespace zentiq {
namespace {

using test::FileBytes;

TEST(BinaryIo, IntegersAreLittleEndianAndRoundTrip) {
    BinaryWriter w;
    w.writeI32(-2);
    w.writeU16(0x1234);
    w.writeU8(0xAB);
    w.writeU32(0xDEADBEEF);
    EXPECT_EQ(w.data(), FileBytes()
                            .i32(-2)
                            .u16(0x1234)
                            .u8(0xAB)
                            .raw({0xEF, 0xBE, 0xAD, 0xDE})
                            .bytes());

    BinaryReader r(w.data());
    qint32 i = 0;
    quint16 s = 0;
    quint8 b = 0;
    quint32 u = 0;
    ASSERT_TRUE(r.readI32(i) && r.readU16(s) && r.readU8(b) && r.readU32(u));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(s, 0x1234);
    EXPECT_EQ(b, 0xAB);
    EXPECT_EQ(u, 0xDEADBEEFu);
    EXPECT_EQ(r.remaining(), 0);
}

TEST(BinaryIo, ShortReadsFailAndConsumeNothing) {
    const QByteArray three("\x01\x02\x03", 3);
    BinaryReader r(three);
    qint32 i = 77;
    EXPECT_FALSE(r.readI32(i));
    EXPECT_EQ(i, 77);
    EXPECT_EQ(r.position(), 0);

    quint16 s = 0;
    ASSERT_TRUE(r.readU16(s));
    EXPECT_FALSE(r.readU16(s));
    EXPECT_EQ(r.position(), 2);

    char buf[4] = {};
    EXPECT_FALSE(r.readBytes(buf, 2));
    EXPECT_FALSE(r.readBytes(buf, -1));
    EXPECT_FALSE(r.skip(2));
    EXPECT_FALSE(r.skip(-1));
    EXPECT_EQ(r.position(), 2);
    EXPECT_TRUE(r.skip(1));
    quint8 b = 0;
    EXPECT_FALSE(r.readU8(b));
}

TEST(BinaryIo, StringCountWidthsAtTheirBoundaries) {
    struct Case {
        qsizetype chars;
        std::vector<std::uint8_t> header;
    };
    const Case cases[] = {
        {0, {0xFF, 0xFE, 0xFF, 0x00}},
        {254, {0xFF, 0xFE, 0xFF, 0xFE}},
        {255, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chars);
        QString text(c.chars, QChar(u'\u6E29'));
        if (c.chars > 0)
            text[0] = QChar(u'A');
        BinaryWriter w;
        w.writeString(text);
        const QByteArray header = FileBytes().raw(c.header).bytes();
        ASSERT_EQ(w.data().size(), header.size() + 2 * c.chars);
        EXPECT_EQ(w.data().left(header.size()), header);
        if (c.chars > 0) {
            EXPECT_EQ(w.data().at(header.size()), 'A');
            EXPECT_EQ(static_cast<quint8>(w.data().at(header.size() + 2)), 0x29);
            EXPECT_EQ(static_cast<quint8>(w.data().at(header.size() + 3)), 0x6E);
        }
        BinaryReader r(w.data());
        QString back;
        ASSERT_TRUE(r.readString(back, 0x10000));
        EXPECT_EQ(back, text);
        EXPECT_EQ(r.remaining(), 0);
    }
}

TEST(BinaryIo, SurrogatePairsCountAsTwoUnits) {
    const QString text = QString::fromUtf8("a\xF0\x9F\x98\x80z");  // a, U+1F600, z
    BinaryWriter w;
    w.writeString(text);
    EXPECT_EQ(static_cast<quint8>(w.data().at(3)), 4);
    BinaryReader r(w.data());
    QString back;
    ASSERT_TRUE(r.readString(back, 10));
    EXPECT_EQ(back, text);
}

TEST(BinaryIo, EightBitStringsAreDecodedAsWindows1252) {
    const QByteArray bytes = FileBytes()
                                 .narrow("a\x80\xE9\x9F")
                                 .u8(0xFF)
                                 .u16(3)
                                 .raw({'x', 0x81, 'y'})
                                 .bytes();
    BinaryReader r(bytes);
    QString s;
    ASSERT_TRUE(r.readString(s, 100));
    EXPECT_EQ(s, QString::fromUtf8("a\xE2\x82\xAC\xC3\xA9\xC5\xB8"));  // a € é Ÿ
    ASSERT_TRUE(r.readString(s, 100));
    EXPECT_EQ(s, QString::fromUtf16(u"x\u0081y"));
    EXPECT_EQ(r.remaining(), 0);
}

TEST(BinaryIo, HostileStringHeadersAreRefusedWithoutConsuming) {
    const QByteArray cases[] = {
        // count above maxChars
        FileBytes().wide(u"abcdef").bytes(),
        // count larger than the bytes that follow
        FileBytes().u8(0xFF).u16(0xFFFE).u8(10).u16('a').bytes(),
        // 32-bit count of almost 4 G characters with nothing behind it
        FileBytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).i32(-2).bytes(),
        // 64-bit count
        FileBytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFF).i32(-1).i32(-1).i32(0x7FFFFFFF).bytes(),
        // a second UTF-16 mark
        FileBytes().u8(0xFF).u16(0xFFFE).u8(0xFF).u16(0xFFFE).u8(1).u16('a').bytes(),
        // header cut inside the 16-bit count
        FileBytes().u8(0xFF).u8(0x05).bytes(),
        // 8-bit count larger than the data
        FileBytes().u8(200).raw({'a', 'b'}).bytes(),
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        BinaryReader r(bytes);
        QString s = QStringLiteral("untouched");
        EXPECT_FALSE(r.readString(s, 5));
        EXPECT_EQ(s, QStringLiteral("untouched"));
        EXPECT_EQ(r.position(), 0);
    }
}

TEST(BinaryIo, ReaderKeepsItsOwnCopyOfTheBuffer) {
    BinaryReader r(QByteArray("\x05\x00\x00\x00", 4));
    qint32 v = 0;
    ASSERT_TRUE(r.readI32(v));
    EXPECT_EQ(v, 5);
}

}  // namespace
}  // namespace zentiq
