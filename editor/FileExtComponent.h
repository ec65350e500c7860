#pragma once
// TFileExtComponent: a component that carries a list of file extensions
// (sorted, duplicates ignored, compared without regard to case). No class of
// the system fills the list, so HasExt answers false unless a caller fills it.
#include "editor/Persistent.h"
#include "editor/SortedStringList.h"

class TFileExtComponent : public TPersistent {
public:
    const char *ClassName() const override { return "TFileExtComponent"; }

    const TSortedStringList &FileExtList() const { return FFileExtList; }
    TSortedStringList &FileExtList() { return FFileExtList; }
    virtual void SetFileExtList(const TSortedStringList &Value) { FFileExtList.Assign(Value); }
    virtual bool HasExt(const QString &FileExt) const { return FFileExtList.IndexOf(FileExt) >= 0; }

protected:
    // Hook to fill the list; empty here.
    virtual void InitFileExtList() {}

private:
    TSortedStringList FFileExtList;
};
