// Cell names and references as automation clients write them.
#include "platform/automation/SheetModel.h"

#include <gtest/gtest.h>

namespace {

TEST(CellReferences, ColumnNamesBothWays) {
    const struct {
        int Number;
        const char* Name;
    } cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {52, "AZ"}, {53, "BA"}, {254, "IT"}, {702, "ZZ"}, {703, "AAA"}, {16384, "XFD"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ColumnName(c.Number), c.Name) << c.Number;
        EXPECT_EQ(ColumnNumber(c.Name), c.Number) << c.Name;
    }
    EXPECT_EQ(ColumnNumber("XFE"), 0);
    EXPECT_EQ(ColumnNumber("A1"), 0);
    EXPECT_EQ(ColumnNumber(""), 0);
    EXPECT_EQ(CellName(7, 3), "C7");
    EXPECT_EQ(CellName(7, 3, true), "$C$7");
}

TEST(CellReferences, ParsesAreasOfEveryKind) {
    const struct {
        const char* Text;
        std::vector<TCellArea> Areas;
    } cases[] = {
        {"B3", {{3, 2, 3, 2}}},
        {"$B$3:a1", {{1, 1, 3, 2}}},
        {"C:E", {{1, 3, SheetMaxRows, 5}}},
        {"2:4", {{2, 1, 4, SheetMaxColumns}}},
        {"A1:A3;A7", {{1, 1, 3, 1}, {7, 1, 7, 1}}},
        {"A1, B2:C3", {{1, 1, 1, 1}, {2, 2, 3, 3}}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseReference(c.Text), c.Areas) << c.Text;
}

TEST(CellReferences, RefusesWhatIsNoReference) {
    for (const char* bad : {"", "A", "1", "A0", "A1:B", "A1:2", "XFE1", "A1048577", "A1:B2:C3", "A1;;B2", "R1C1x"}) {
        try {
            ParseReference(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EAutomationError& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(bad))) << e.Message().toStdString();
        }
    }
}

TEST(CellReferences, AreaNamesRoundTrip) {
    for (const char* text : {"B3", "A1:C9", "C:E", "2:4", "XFD1048576"})
        EXPECT_EQ(AreaName(ParseReference(text)[0]), text);
}

} // namespace
