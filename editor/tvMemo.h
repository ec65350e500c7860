#pragma once
// TtvMemo: the SQL editor control of the program's windows, an editor with
// the SQL colouring, completion and keyboard macros.
#include "editor/Editor.h"

class TtvMemo : public TEditor {
    Q_OBJECT

public:
    explicit TtvMemo(QWidget *Parent = nullptr) : TEditor(Parent) {}
};
