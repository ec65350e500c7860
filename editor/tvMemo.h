#pragma once
// TtvMemo: the SQL editor control of the program's windows, an editor with
// the SQL colouring, completion and keyboard macros.
#include "editor/Editor.h"

class TtvMemo : public TEditor {
    Q_OBJECT

public:
    // Built in two steps so that the factories this class overrides are the
    // ones that make its parts.
    explicit TtvMemo(QWidget *Parent = nullptr) : TEditor(Parent, TDeferParts{}) { CreateParts(); }
};
