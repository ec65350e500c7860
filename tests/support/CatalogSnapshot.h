#pragma once
// What the server's catalogs say about an object, read through a connection
// of the test's own, so that a test can compare the state before and after a
// window drops and re-creates the object.
//
// A snapshot is a set of named sections, each a sorted list of text lines.
// Lines never hold oids or anything else that a re-create changes by nature
// (object names stand instead), so two snapshots of an object kept intact
// compare equal. Diff names every line that is only in one of them.
#include "support/TestDb.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tvtest {

class CatalogSnapshot {
public:
    using Sections = std::map<std::string, std::vector<std::string>>;

    // Runs each query (section name, SQL) and keeps its rows, one line a
    // row with the columns joined by " | " (NULL reads "<null>"), sorted.
    // A failing query fails the current test.
    static CatalogSnapshot Take(const TestDb &db,
                                const std::vector<std::pair<std::string, std::string>> &queries);

    // A table (ordinary or partitioned) with everything that hangs on it:
    // class row (kind, persistence, tablespace, reloptions, replica identity,
    // row security, owner), columns (type, not null, default, identity,
    // generated, statistics target, storage, local / inherited, collation,
    // comment, column privileges), the column order, constraints (definition,
    // deferrable, deferred, validated, local, no inherit, comment), indexes
    // (definition, tablespace, options, clustered, replica identity, valid,
    // the index it is a partition of, comment),
    // parents in order, partition key, partitions with their bounds,
    // triggers (definition, enabled state, comment), policies, rules,
    // the table comment and the table's privileges with their grantors.
    // Each partition of a partitioned table is taken as well, in sections
    // prefixed with its name.
    static CatalogSnapshot OfTable(const TestDb &db, const std::string &schema,
                                   const std::string &table);

    // A role: attributes, settings per database, memberships (both ways,
    // with admin option and grantor) and comment.
    static CatalogSnapshot OfRole(const TestDb &db, const std::string &role);

    // Adds the sections of another snapshot (same names are replaced).
    void Merge(const CatalogSnapshot &other);

    const Sections &sections() const { return m_sections; }
    const std::vector<std::string> &Section(const std::string &name) const;

    // Every line found in only one snapshot, "- [section] line" for lines
    // only in before and "+ [section] line" for lines only in after, in
    // section order; empty when the two are the same. Sections named in
    // ignore are left out.
    static std::string Diff(const CatalogSnapshot &before, const CatalogSnapshot &after,
                            const std::vector<std::string> &ignore = {});

private:
    Sections m_sections;
};

} // namespace tvtest
