#pragma once
// Dropping the selected items of a list one by one (the tablespace window's
// contents, the database-link list): progress i of n in status panel 2, Esc
// stops; a dropped item leaves the list; a failed item stays listed and
// selected. An error ends the run (raised to the caller) unless several
// items are selected and ContinueOnError is set; the failed items are then
// tried again in further passes while a pass removes at least one. An item
// without a statement stays listed and selected and counts as not dropped.
// Each statement runs under its own savepoint while a transaction block is
// open on Connection.
#include <QString>

#include <functional>

class TtvListItem;
class TtvListView;
namespace tv::db {
class Connection;
}

struct TListDropResult {
    int Dropped = 0;
    int Failed = 0;      // items left after the last pass (errors or no statement)
    bool Stopped = false; // Esc
};

TListDropResult DropSelectedItems(TtvListView *List, bool ContinueOnError, tv::db::Connection *Connection,
                                  const std::function<QString(TtvListItem *)> &Statement,
                                  const std::function<void(const QString &)> &Execute);
