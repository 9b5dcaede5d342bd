#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ClassRegistry.h"

namespace {

struct Shape {
    virtual ~Shape() = default;
    virtual std::string Name() const = 0;
};
struct Circle : Shape {
    std::string Name() const override { return "circle"; }
};
struct Square : Shape {
    std::string Name() const override { return "square"; }
};

// A page-like class made with an owner, as the user interface registers its pages.
struct Owner {
    int made = 0;
};
struct Page {
    explicit Page(Owner* o) : owner(o) { ++o->made; }
    virtual ~Page() = default;
    Owner* owner;
};
struct SettingsPage : Page {
    using Page::Page;
};

using Shapes = TClassRegistry<std::unique_ptr<Shape>()>;
using Pages = TClassRegistry<Page*(Owner*)>;

TEST(ClassRegistryTest, CreatesRegisteredClassesByNameIgnoringLatinCase) {
    Shapes reg;
    reg.RegisterClass<Circle>("TCircle");
    reg.Register("TSquare", [] { return std::make_unique<Square>(); });
    EXPECT_TRUE(reg.IsRegistered("TCircle"));
    EXPECT_TRUE(reg.IsRegistered("tcircle"));
    EXPECT_EQ(reg.Create("TCIRCLE")->Name(), "circle");
    EXPECT_EQ(reg.Create("TSquare")->Name(), "square");
    EXPECT_EQ(reg.Names(), (std::vector<std::string>{"TCircle", "TSquare"}));
    EXPECT_FALSE(reg.Find("TTriangle"));
    try {
        reg.Create("TTriangle");
        FAIL() << "no exception";
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TTriangle not found");
    }
}

TEST(ClassRegistryTest, ANameIsTakenOnce) {
    Shapes reg;
    reg.RegisterClass<Circle>("TCircle");
    EXPECT_NO_THROW(reg.RegisterClass<Circle>("TCircle"));  // the same class again: ignored
    EXPECT_THROW(reg.RegisterClass<Square>("tcircle"), EClassRegistered);
    EXPECT_THROW(reg.Register("TCircle", [] { return std::make_unique<Square>(); }), EClassRegistered);
    EXPECT_EQ(reg.Create("TCircle")->Name(), "circle");
    reg.Unregister("TCIRCLE");
    EXPECT_FALSE(reg.IsRegistered("TCircle"));
    reg.RegisterClass<Square>("TCircle");
    EXPECT_EQ(reg.Create("TCircle")->Name(), "square");
}

TEST(ClassRegistryTest, FactoriesTakeConstructorArguments) {
    Pages& pages = Pages::Global();
    pages.RegisterClass<SettingsPage>("TfrmTestSettings");
    Owner owner;
    std::unique_ptr<Page> page(pages.Create("TfrmTestSettings", &owner));
    EXPECT_EQ(page->owner, &owner);
    EXPECT_NE(dynamic_cast<SettingsPage*>(page.get()), nullptr);
    EXPECT_EQ(owner.made, 1);
    EXPECT_EQ(&Pages::Global(), &pages);  // one registry per signature
    pages.Unregister("TfrmTestSettings");
}

}  // namespace
