#include "platform/KeyStore.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

class KeyStoreTest : public ::testing::Test
{
protected:
    TempFolder dir;
    // The store's folder does not exist yet, as on a first run.
    KeyStore keys{dir.file(QStringLiteral("config/tarnwick/keystore.ini"))};
};

TEST_F(KeyStoreTest, KeysAreNamedByPathsInAnySpelling)
{
    ASSERT_TRUE(keys.setValue(QStringLiteral("\\Software\\Vendor\\List\\"), QStringLiteral("File0"), "a"));
    EXPECT_TRUE(keys.keyExists(QStringLiteral("Software\\Vendor\\List")));
    EXPECT_TRUE(keys.keyExists(QStringLiteral("\\software\\VENDOR\\\\list")));
    EXPECT_EQ(keys.value(QStringLiteral("Software\\Vendor\\List"), QStringLiteral("file0")), QStringLiteral("a"));
    // A key above one that exists is not itself a key with values.
    EXPECT_FALSE(keys.keyExists(QStringLiteral("Software\\Vendor")));
    EXPECT_FALSE(keys.keyExists(QString()));
}

TEST_F(KeyStoreTest, DeletingAKeyNeedsItToExistWithoutSubkeys)
{
    ASSERT_TRUE(keys.setValue(QStringLiteral("A\\B"), QStringLiteral("v"), "1"));
    ASSERT_TRUE(keys.setValue(QStringLiteral("A\\B\\C"), QStringLiteral("v"), "2"));
    EXPECT_FALSE(keys.deleteKey(QStringLiteral("A\\B")));
    EXPECT_FALSE(keys.deleteKey(QStringLiteral("A\\Missing")));
    EXPECT_TRUE(keys.deleteKey(QStringLiteral("A\\B\\C")));
    EXPECT_FALSE(keys.keyExists(QStringLiteral("A\\B\\C")));
    EXPECT_TRUE(keys.deleteKey(QStringLiteral("A\\B")));
    EXPECT_FALSE(keys.deleteKey(QStringLiteral("A\\B")));
}

TEST_F(KeyStoreTest, DeletingValuesLeavesTheOthers)
{
    ASSERT_TRUE(keys.setValue(QStringLiteral("K"), QStringLiteral("File0"), "x"));
    ASSERT_TRUE(keys.setValue(QStringLiteral("K"), QStringLiteral("Keep"), "y"));
    EXPECT_TRUE(keys.deleteValue(QStringLiteral("K"), QStringLiteral("FILE0")));
    EXPECT_FALSE(keys.deleteValue(QStringLiteral("K"), QStringLiteral("File0")));
    EXPECT_FALSE(keys.deleteValue(QStringLiteral("Other"), QStringLiteral("Keep")));
    EXPECT_EQ(keys.value(QStringLiteral("K"), QStringLiteral("Keep")), QStringLiteral("y"));
    EXPECT_TRUE(keys.keyExists(QStringLiteral("K")));
}
