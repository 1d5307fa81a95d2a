// Our Mac Roman table against Qt's own decoder, where Qt offers one (through
// ICU). Both follow the later Mac Roman, so 0xDB is the euro and 0xF0 the
// private-use Apple logo; an older converter would disagree on those two.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/macroman.h"

namespace {

TEST(MacRomanQt, EveryByteMatchesQtsMacintoshCodec) {
  QStringDecoder dec("macintosh");
  if (!dec.isValid()) GTEST_SKIP() << "this Qt has no macintosh codec";
  for (int b = 0; b < 256; ++b) {
    QByteArray one(1, char(b));
    QString q = dec.decode(one);
    ASSERT_EQ(q.size(), 1) << std::hex << b;
    EXPECT_EQ(char32_t(q.at(0).unicode()), plat::macRomanToUnicode(static_cast<unsigned char>(b)))
        << "byte 0x" << std::hex << b;
  }
}

TEST(MacRomanQt, Utf8FromQtEncodesBackToTheSameBytes) {
  QStringEncoder enc("macintosh");
  if (!enc.isValid()) GTEST_SKIP() << "this Qt has no macintosh codec";
  const QString text = QString::fromUtf8("\u2022 \u00B1 \u2206 \u20AC \u2264 \u03C0 \u00C4\u00F8");
  QByteArray theirs = enc.encode(text);
  std::string ours = plat::utf8ToMacRoman(text.toStdString());
  EXPECT_EQ(ours, theirs.toStdString());
}

}  // namespace
