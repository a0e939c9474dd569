#include "units/ByteUnit.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace qm;

namespace {

// Answers every "ByteUnit" text with a marked copy of its key, as a loaded catalogue would.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context,
                      const char *sourceText,
                      const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "ByteUnit") != 0)
            return {};
        return QStringLiteral("[%1]").arg(QString::fromUtf8(sourceText));
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(ByteUnit, BytesPerGigabyteAndTerabyte)
{
    EXPECT_EQ(bytesPerGigabyte(ByteUnit::GB), Q_INT64_C(1'000'000'000));
    EXPECT_EQ(bytesPerTerabyte(ByteUnit::GB), Q_INT64_C(1'000'000'000'000));
    EXPECT_EQ(bytesPerGigabyte(ByteUnit::GiB), Q_INT64_C(1) << 30);
    EXPECT_EQ(bytesPerTerabyte(ByteUnit::GiB), Q_INT64_C(1) << 40);
}

TEST(ByteUnit, DescriptionsAreLocalizableWithTheEnglishTextAsKey)
{
    const std::string gb = "GB (decimal, as disks are sold. 1 GB = 1,000,000,000 bytes)";
    const std::string gib = "GiB (binary. 1 GiB = 1,073,741,824 bytes)";
    EXPECT_EQ(unitDescription(ByteUnit::GB).toStdString(), gb);
    EXPECT_EQ(unitDescription(ByteUnit::GiB).toStdString(), gib);

    MarkingTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    const std::string translatedGb = unitDescription(ByteUnit::GB).toStdString();
    const std::string translatedGib = unitDescription(ByteUnit::GiB).toStdString();
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(translatedGb, "[" + gb + "]");
    EXPECT_EQ(translatedGib, "[" + gib + "]");
}
