#include <gtest/gtest.h>

#include "vocab/connectionstring.h"

TEST(ConnectionString, ProgramStringGivesProviderFileAndPassword)
{
    const ConnectionString parts = ConnectionString::Parse(QString::fromUtf16(kVocabularyConnection));
    EXPECT_EQ(parts.provider, u"Microsoft.Jet.OLEDB.4.0"_qs);
    EXPECT_EQ(parts.dataSource, u"code.dll"_qs);
    EXPECT_EQ(parts.password, u"9F3B51C0E2A4"_qs);
}

TEST(ConnectionString, KeysIgnoreCaseAndValuesMayBeQuoted)
{
    const ConnectionString parts = ConnectionString::Parse(
        u" data source = \"my words;2.db\" ; JET OLEDB:DATABASE PASSWORD='it''s' ;Provider=P"_qs);
    EXPECT_EQ(parts.dataSource, u"my words;2.db"_qs);
    EXPECT_EQ(parts.password, u"it's"_qs);
    EXPECT_EQ(parts.provider, u"P"_qs);
}

TEST(ConnectionString, MissingOrMalformedPartsStayEmpty)
{
    EXPECT_TRUE(ConnectionString::Parse(QString()).dataSource.isEmpty());
    EXPECT_TRUE(ConnectionString::Parse(u"Data Source"_qs).dataSource.isEmpty());
    EXPECT_EQ(ConnectionString::Parse(u"Data Source=a.db;;Unknown=1"_qs).dataSource, u"a.db"_qs);
    EXPECT_EQ(ConnectionString::Parse(u"Data Source=\"unterminated"_qs).dataSource, u"unterminated"_qs);
}
