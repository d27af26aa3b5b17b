// The footer reads plain decimals without the general conversion: every text must give exactly
// the double the general conversion gives, at the edges of the short way too.

#include "grid/GxGrid.h"

#include <gtest/gtest.h>

#include <QString>

#include <cstring>
#include <vector>

namespace {

TEST(FooterNumbers, PlainDecimalsReadExactlyAsTheFullConversion) {
    const std::vector<const char*> texts = {
        "0.1", "0.2", "0.3", "1234.5", "-2.75", "+8", "-0", "7", "999999999999999", // 15 digits
        "9999999999999999",                                                      // 16: the long way
        "0.000000000000001", "123456789.012345", "1.2345678901234567", "9007199254740993",
        "0.1000000000000000055511151231257827", "42.000", "000123.4500",
    };
    for (const char* t : texts) {
        TGxGrid g(nullptr);
        g.Columns()->Add<TGxTextColumn>()->Footer()->SetFormulaKind(fkMaximum); // the value itself
        g.SetCells(0, g.AddRow(1), QString::fromLatin1(t));
        g.CalculateFooter(false);
        const double got = g.Columns()->Item(0)->Footer()->FormulaValue();
        const double want = QString::fromLatin1(t).toDouble();
        // Bit for bit, so that -0 and the last digit count.
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << t << ": " << got << " vs " << want;
    }
}

} // namespace
