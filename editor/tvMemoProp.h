#pragma once
// TtvMemoProp: the editor settings of the SQL editors. The program keeps one
// (prpEditor), loads it from and saves it to the settings store and copies it
// onto every SQL editor. It is a TEditorProp and adds nothing.
#include "editor/EditorProp.h"

class TtvMemoProp : public TEditorProp {
public:
    const char *ClassName() const override { return "TtvMemoProp"; }
};
