// Where a re-created index's tablespace clause goes in its definition.
#include "common/RecreateKeeper.h"

#include <gtest/gtest.h>

TEST(RecreateKeeper, IndexTablespaceGoesBeforeThePredicate)
{
    struct Case {
        const char *what, *definition, *tablespace, *predicate, *expected;
    };
    const Case cases[] = {
        {"default tablespace", "CREATE INDEX i ON s.m USING btree (a)", "", "", "CREATE INDEX i ON s.m USING btree (a)"},
        {"plain", "CREATE INDEX i ON s.m USING btree (a)", "fast", "",
         "CREATE INDEX i ON s.m USING btree (a) TABLESPACE \"fast\""},
        {"partial with options", "CREATE INDEX i ON s.m USING btree (a) WITH (fillfactor='70') WHERE (a > 0)", "fast",
         "(a > 0)", "CREATE INDEX i ON s.m USING btree (a) WITH (fillfactor='70') TABLESPACE \"fast\" WHERE (a > 0)"},
        {"odd tablespace name", "CREATE UNIQUE INDEX i ON s.m USING btree (a) WHERE (b = ' WHERE x')", "Fast Disk",
         "(b = ' WHERE x')",
         "CREATE UNIQUE INDEX i ON s.m USING btree (a) TABLESPACE \"Fast Disk\" WHERE (b = ' WHERE x')"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IndexInTablespace(QString::fromUtf8(c.definition), QString::fromUtf8(c.tablespace),
                                    QString::fromUtf8(c.predicate)),
                  QString::fromUtf8(c.expected))
            << c.what;
}
