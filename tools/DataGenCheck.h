#pragma once
// The test-data generator's input check: the mode settings and every
// column rule, stopping at the first fault with its message and where it
// is (the control's name, and the column's row for a rule). Fixed values
// are tried on the server inside a protected block: the user's pending
// work is neither committed nor lost.
#include "tools/DataGenRule.h"

#include <optional>

namespace tv::db {
class Connection;
}

struct TDataGenFault {
    QString Message;
    // "txtCount", "cmbMasterSchema", "cmbMasterTable", "txtCountFrom",
    // "txtCountTo", "tabOption", "lstColumn", "txtStrDigit".
    QString Control;
    // The rule's index for a fault of a column; -1 otherwise.
    int Row = -1;
};

// Conn: where fixed values are tried (null: not tried).
std::optional<TDataGenFault> CheckInput(const TDataGenJob &Job, tv::db::Connection *Conn);
