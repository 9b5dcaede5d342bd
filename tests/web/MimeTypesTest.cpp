// The MIME type tables filled at start-up from HKEY_CLASSES_ROOT.
#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "web/clMimeTypes.h"

namespace {

bool HasUpper(const std::string& s) {
    for (char c : s)
        if (c >= 'A' && c <= 'Z') return true;
    return false;
}

TEST(MimeTypes, TablesAreFilledAtStartUpInTheirForm) {
    const THashedStringList* ext = MimeExtensionTable();
    const THashedStringList* types = MimeContentTypeTable();
    ASSERT_NE(ext, nullptr);
    ASSERT_NE(types, nullptr);
    for (int i = 0; i < ext->Count(); ++i) {
        const std::string& line = (*ext)[i];
        size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        EXPECT_EQ(line[0], '.') << line;
        EXPECT_GE(eq, 2u) << line;
        EXPECT_LT(eq + 1, line.size()) << line;
        EXPECT_FALSE(HasUpper(line)) << line;
    }
    for (int i = 0; i < types->Count(); ++i) {
        const std::string& line = (*types)[i];
        size_t eq = line.find('=');
        ASSERT_NE(eq, std::string::npos) << line;
        ASSERT_LT(eq + 1, line.size()) << line;
        EXPECT_EQ(line[eq + 1], '.') << line;
        EXPECT_FALSE(HasUpper(line)) << line;
    }
}

TEST(MimeTypes, EntriesMatchTheRegistry) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CLASSES_ROOT);
    TStringList names;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\"));
    reg.GetKeyNames(names);
    int withType = 0;
    for (const auto& name : names) {
        if (name.size() < 2 || name[0] != '.') continue;
        ASSERT_TRUE(reg.OpenKeyReadOnly("\\" + name));
        std::string type = reg.ReadString("Content Type");
        if (type.empty()) continue;
        ++withType;
        // Names differing only in case (".C" and ".c") both stay, lower-cased.
        EXPECT_GE(MimeExtensionTable()->Lines().IndexOf(LowerCase(name) + "=" + LowerCase(type)), 0) << name;
    }
    EXPECT_EQ(MimeExtensionTable()->Count(), withType);
    if (reg.KeyExists("\\.png")) {
        EXPECT_EQ(MimeExtensionTable()->Values(".png"), "image/png");
        EXPECT_EQ(MimeContentTypeTable()->Values("image/png"), ".png");
    }
}

TEST(MimeTypes, HashedListKeepsTheFirstOfEqualNames) {
    THashedStringList l;
    l.Add(".a=x/1");
    l.Add(".a=x/2");
    l.Add("noequals");
    EXPECT_EQ(l.Count(), 3);
    EXPECT_EQ(l.Values(".a"), "x/1");
    EXPECT_EQ(l.Values(".b"), "");
    EXPECT_EQ(l.Values("noequals"), "");
    l.Clear();
    EXPECT_EQ(l.Values(".a"), "");
}

}  // namespace
