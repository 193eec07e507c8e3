// Hostile constructor calls: a class's constructor on an instance of another
// class (left without a native object), on a derived class that calls the
// wrong base, and through a rebound global; and text box limits at the edge
// of 32 bits.
#include <gtest/gtest.h>

#include <string>

#include "gfx/text_box.h"
#include "tests/script_classes/media_classes_fixture.h"

namespace {

using ClassGuardTest = MediaClassesTest;

// Instances that end up without a native object, by class.
const struct {
    const char* className;
    const char* emptyInstance;
} kEmptyInstances[] = {
    {"InputInterface", "InputInterface(7)"},
    {"ImageInterface", "ImageInterface()"},
    {"FontInterface", "FontInterface(24, \"font/missing.ttf\")"},
    {"TextBoxInterface", "TextBoxInterface(null, 4)"},
};
const char* const kClasses[] = {"InputInterface", "LayerInterface", "ImageInterface", "FontInterface",
                                "TextBoxInterface"};

TEST_F(ClassGuardTest, AConstructorRefusesAnInstanceOfAnyOtherClass) {
    for (const auto& empty : kEmptyInstances) {
        for (const char* constructor : kClasses) {
            if (constructor == std::string(empty.className)) continue;
            const std::string call = std::string(constructor) + ".constructor.call(" + empty.emptyInstance + ", 0)";
            EXPECT_TRUE(Throws(call)) << call;
        }
    }
}

TEST_F(ClassGuardTest, OnlyTheClassChainDecides) {
    const struct {
        const char* source;
        bool throws;
    } cases[] = {
        {"local i = InputInterface(7); LayerInterface.constructor.call(i); i.GetX(19)", true},
        {"class L extends LayerInterface { constructor() { InputInterface.constructor.call(this, 0) } } L().SetPos(1, 2)",
         true},
        {"LayerInterface.constructor.call(LayerInterface())", true},  // already constructed
        {"class D extends LayerInterface { constructor() { base.constructor() } } D().SetPos(1, 2)", false},
        {"local i = InputInterface(7); InputInterface.constructor.call(i, 0); i.GetX(0)", false},
        // last: the global stays rebound
        {"local c = LayerInterface.constructor; ::LayerInterface <- InputInterface; c.call(InputInterface(7))", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Throws(c.source), c.throws) << c.source;
    }
}

TEST_F(ClassGuardTest, EdgeSizesAtTheLimitsOfThirtyTwoBitsClamp) {
    Run("font <- FontInterface(24, \"font/DejaVuSans.ttf\"); box <- TextBoxInterface(font, 8);");
    ASSERT_EQ(TextBoxes().size(), 1u);
    const struct {
        const char* size;
        int edge;
    } cases[] = {{"2147483647", 127}, {"-2147483648", 0}, {"0", 1}, {"126", 127}, {"-1", 0}};
    for (const auto& c : cases) {
        Run(std::string("box.SetEdgeSize(") + c.size + ");");
        EXPECT_EQ(TextBoxes()[0]->edge, c.edge) << c.size;
    }
}

}  // namespace
