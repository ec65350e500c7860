// Formatter options ("FORMAT").
#include "OptionTableCheck.h"
#include "common/FormatOption.h"

using namespace opttest;
using tv::settings::TtvRegistry;

namespace {

class FormatOptionStore : public ::testing::Test {
protected:
    tvtest::ScratchDir scratch;
    const std::vector<Row> rows = {
        {"Indent", I, 4},  {"ItemReturn", I, 0},   {"ReservePos", I, 0}, {"CommaPos", I, 0},
        {"AndPos", I, 0},  {"ReserveTrans", I, 0}, {"ItemTrans", I, 2},
    };
    Cycle cycle = [](TtvRegistry &reg) {
        TFormatOption o;
        o.Load(reg);
        o.Save(reg);
    };
};

TEST_F(FormatOptionStore, DefaultsGiveUpperKeywordsAndUnchangedWords)
{
    TtvRegistry reg;
    TFormatOption o;
    o.ReserveTrans = 1;
    o.ItemTrans = 0;
    o.Load(reg);
    EXPECT_EQ(o.ReserveTrans, 0);
    EXPECT_EQ(o.ItemTrans, 2);
    EXPECT_EQ(o.Indent, 4);
}

TEST_F(FormatOptionStore, StoredLayout) { CheckDefaults("FORMAT", rows, cycle); }
TEST_F(FormatOptionStore, RoundTrip) { CheckRoundTrip("FORMAT", rows, cycle); }

} // namespace
