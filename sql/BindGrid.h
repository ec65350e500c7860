#pragma once
// The bind-variable grid beside an SQL editor (the SQL window, the index
// adviser): a row per ":name" of the statement with its value and type.
#include "platform/db/Param.h"

#include <QString>

#include <functional>

class IConnectionWindow;
class QSplitter;
class TtvStringGrid;

namespace sqlrun {

// Fills Params from the grid's values, each converted by its row's type
// (tv::Error when one does not convert). No parameters hide the grid. When
// the grid was hidden or its names differ from Params, it is shown (a third
// of PanelWidth wide the first time), the names are set, the first value
// cell waits for typing, Status gets the prompt and tv::SilentAbort ends
// the run.
void ApplyBindGrid(TtvStringGrid *Grid, QSplitter *Split, int PanelWidth, tv::db::Params &Params,
                   const std::function<void(const QString &)> &Status);

// The pick list of the grid's type column: the bind types of the data types
// of the connection Owner gives, read into Cache the first time the list
// drops down (a failed read shows its error and leaves the list empty).
void WireBindTypeList(TtvStringGrid *Grid, std::function<IConnectionWindow *()> Owner, QStringList &Cache);

} // namespace sqlrun
